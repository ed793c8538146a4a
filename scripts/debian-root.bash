# What scripts/with-wine10 and scripts/with-wine32 share about their Debian roots: the mirror of
# the machine's own apt sources, and the file systems mounted into a root for one command.
# Sourced, not run. The sourcing script sets `repo` (the repository, mounted into the root at its
# own path) and runs in a mount namespace of its own, so that every mount ends with it.

# The Debian mirror of the machine's own apt sources (deb822 or one-line), never a fixed address.
debian_mirror() {
    local uri
    uri=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/*.sources \
        2>/dev/null | grep -v -e security -e '^$' | head -n1)
    [[ -n $uri ]] || uri=$(sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\{0,1\}\([^[:space:]]*\).*/\2/p' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | grep -v security | head -n1)
    echo "$uri"
}

mounted_below() { awk -v dir="$1" 'index($2, dir) == 1 { found = 1 } END { exit !found }' /proc/mounts; }

# proc, sys, dev and dev/pts from the machine, a fresh dev/shm, and the repository. With
# --recursive the machine's file systems come with everything mounted below them, as a user
# namespace requires (it may not uncover what a mount there hides); a lazy unmount takes each
# such tree whole.
mounts=()
mount_root() {
    local dir=$1 bind=(--bind) from
    local systems=(/proc /sys /dev /dev/pts)
    if [[ ${2:-} == --recursive ]]; then
        bind=(--rbind)
        systems=(/proc /sys /dev)
    fi
    for from in "${systems[@]}"; do
        mount "${bind[@]}" "$from" "$dir$from" && mounts+=("$dir$from") || return 1
    done
    mount -t tmpfs shm "$dir/dev/shm" && mounts+=("$dir/dev/shm") || return 1
    mkdir -p "$dir$repo" && mount --bind "$repo" "$dir$repo" && mounts+=("$dir$repo")
}
unmount_root() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}"
    done
    mounts=()
}

in_root() { chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "${@:2}"; }

# The caller's VESKOR_*, WINEDEBUG, CTEST_* and GTEST_* settings as NAME=VALUE words, in `passed`,
# but for the names given (the root's own).
passed_settings() {
    local name _ skip
    passed=()
    while IFS='=' read -r name _; do
        for skip in "$@"; do
            # shellcheck disable=SC2053 # the names given are patterns
            [[ $name == $skip ]] && continue 2
        done
        case $name in
        VESKOR_* | WINEDEBUG | CTEST_* | GTEST_*) passed+=("$name=${!name}") ;;
        esac
    done < <(env)
}

# Runs COMMAND under scripts/with-wine inside the mounted root, in the repository folder the caller
# is in (or the repository's top). Extra NAME=VALUE settings come before `--`.
run_in_root() {
    local dir=$1 here settings=()
    shift
    while [[ $# -gt 0 && $1 != -- ]]; do
        settings+=("$1")
        shift
    done
    shift
    [[ $PWD == "$repo"* ]] && here=$PWD || here=$repo
    chroot "$dir" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
        "${settings[@]}" sh -c 'cd "$0" && exec "$@"' "$here" "$repo/scripts/with-wine" "$@" </dev/null
}
