# What scripts/with-wine10 and scripts/with-wine32 share about their Debian roots: the mirror of
# the machine's own apt sources, the making of a root (mmdebstrap, a lock, a marker written last),
# the namespaces a command runs in, the file systems mounted into a root for one command, and the
# probe that tells whether the kernel runs 32-bit code. Sourced, not run. The sourcing script sets
# `repo` (the repository, mounted into the root at its own path).

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

# A fresh proc (the command's own PID namespace's, where the kernel allows it; else the machine's),
# sys, dev and dev/pts from the machine, a fresh dev/shm, and the repository. With --recursive the
# machine's file systems come with everything mounted below them, as a user namespace requires (it
# may not uncover what a mount there hides); a lazy unmount takes each such tree whole. (QEMU's
# user-mode emulator, in a PID namespace of its own, reads its programs' paths wrong through the
# machine's proc.)
mounts=()
mount_root() {
    local dir=$1 bind=(--bind) from
    local systems=(/sys /dev /dev/pts)
    if [[ ${2:-} == --recursive ]]; then
        bind=(--rbind)
        systems=(/sys /dev)
    fi
    if mount -t proc proc "$dir/proc" 2>/dev/null || mount "${bind[@]}" /proc "$dir/proc"; then
        mounts+=("$dir/proc")
    else
        return 1
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

# Makes a root with mmdebstrap, quietly (its log in LOG): minbase, no recommended packages, dpkg
# without fsyncs (a root half made is made again, never repaired). Arguments after LOG go to
# mmdebstrap, the suite, folder and mirror among them.
make_with_mmdebstrap() {
    local log=$1
    shift
    mmdebstrap --mode=root --variant=minbase --aptopt='APT::Install-Recommends "false"' \
        --dpkgopt=force-unsafe-io "$@" >"$log" 2>&1 || {
        tail -n 20 "$log" >&2
        return 1
    }
}

# Takes the root's lock (a file beside it) on file descriptor 9, waiting while another call makes
# the root: two calls never make one root at once, and a call finds a root made or none.
lock_root() {
    exec 9>"$1.lock" && flock 9
}

# A folder half made (an interrupted or failed earlier call: no marker, or not moved into place) is
# thrown away. Fails while something is mounted below it (a command of another call still runs).
clear_part() {
    local dir=$1
    [[ -e $dir ]] || return 0
    if mounted_below "$dir"; then
        echo "$dir still has mounts: a call that is making it still runs" >&2
        return 1
    fi
    rm -rf "$dir"
}

# The last step of making a root: its marker, then the folder moved to its place in one rename.
# Whatever stood there without a marker (an empty folder made beforehand, a root whose marker a
# forced rebuild removed) is removed first: `mv` would move the root into it.
finish_root() {
    local part=$1 target=$2 marker=$3
    touch "$part/$marker" || return 1
    clear_part "$target" && mv -T "$part" "$target"
}

# Runs COMMAND in mount and PID namespaces of its own (with --user first: a user namespace too,
# whose id map the command waits for on file descriptor 3: see with-wine32). When the command ends,
# or this shell is signalled and the command has had GRACE seconds (default 30) to end its Wine
# session and unmount, every process left in the namespace is killed (the kernel ends them all when
# the namespace's first process dies) and every mount goes with them. Returns the command's status;
# after a signal, sets `signalled` to its name.
signalled=""
in_namespaces() {
    local user=() ns child tries
    [[ $1 == --user ]] && user=(--user) && shift
    signalled=""
    trap 'signalled=INT' INT
    trap 'signalled=TERM' TERM
    trap 'signalled=HUP' HUP
    unshare "${user[@]}" --mount --propagation private --pid --fork --kill-child "$@" <&0 &
    ns=$!
    [[ -n ${user[*]} ]] && { "${on_user_namespace:-true}" "$ns" || kill -KILL "$ns"; }
    local status
    wait "$ns"
    status=$?
    if [[ -n $signalled ]]; then
        # unshare itself ignores INT and TERM while it waits: TERM goes to its child (which, started
        # in the background, ignores INT).
        child=$(cat "/proc/$ns/task/$ns/children" 2>/dev/null)
        [[ -n $child ]] && kill -TERM "$child" 2>/dev/null
        for ((tries = 0; tries < ${VESKOR_ROOT_GRACE:-30} * 10; tries++)); do
            kill -0 "$ns" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$ns" 2>/dev/null
        wait "$ns" 2>/dev/null
    fi
    trap - INT TERM HUP
    return "$status"
}

# Ends this script as the signal in `signalled` would have, after a command in namespaces was
# signalled: the caller (a shell, a test runner) sees the signal, not an ordinary failure.
reraise_signal() {
    [[ -n $signalled ]] || return 0
    trap - EXIT "$signalled"
    kill "-$signalled" $$
    exit 1
}

# A 32-bit Linux program of 96 bytes, written here (nothing to build or install): it exits with 32
# through the 32-bit system call (int 0x80). Whether it runs says whether the kernel (or an
# emulator registered for such programs) runs 32-bit code; it says nothing of Wine.
write_probe32() {
    local header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
    header+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'
    header+='\x00\x00\x00\x00\x00\x00'
    # One loadable segment: the whole file at 0x08048000, read and execute.
    local segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00'
    segment+='\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # mov eax, 1 (exit); mov ebx, 32; int 0x80
    local code='\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80'
    # shellcheck disable=SC2059 # the format is the bytes
    printf "$header$segment$code" >"$1" && chmod 755 "$1"
}

# Runs the probe, written to FILE: yes (32-bit code runs), no (the kernel refuses it), or unknown
# (the probe could not be run at all, e.g. FILE's file system is mounted noexec), with the reason
# on standard error.
probe_32bit() {
    local probe=$1 options status
    write_probe32 "$probe" || { echo unknown; return; }
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    if [[ $status -eq 32 ]]; then
        echo yes
        return
    fi
    options=$(findmnt -n -o OPTIONS -T "${probe%/*}" 2>/dev/null)
    if [[ ,$options, == *,noexec,* ]]; then
        echo "the 32-bit probe cannot run from ${probe%/*}: its file system is mounted noexec" >&2
        echo unknown
        return
    fi
    echo no
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
# is in (or the repository's top). Extra NAME=VALUE settings come before `--`. A signal to this
# shell is passed to the Wine session, which this shell then waits for: the mounts stay until it
# has ended.
run_in_root() {
    local dir=$1 here settings=()
    shift
    while [[ $# -gt 0 && $1 != -- ]]; do
        settings+=("$1")
        shift
    done
    shift
    [[ $PWD == "$repo"* ]] && here=$PWD || here=$repo
    local session status
    # TERM for every signal: the session, started in the background, ignores INT.
    trap 'signalled=INT; kill -TERM "$session" 2>/dev/null' INT
    trap 'signalled=TERM; kill -TERM "$session" 2>/dev/null' TERM
    trap 'signalled=HUP; kill -TERM "$session" 2>/dev/null' HUP
    chroot "$dir" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
        "${settings[@]}" sh -c 'cd "$0" && exec "$@"' "$here" "$repo/scripts/with-wine" "$@" </dev/null &
    session=$!
    wait "$session"
    status=$?
    while kill -0 "$session" 2>/dev/null; do # a signal ended the wait, not the session
        wait "$session"
        status=$?
    done
    trap - INT TERM HUP
    return "$status"
}
