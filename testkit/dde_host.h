// The host "MixW" played inside the calling process: topics QSO (items Khz, Az) and CAT (item
// Command), served as requests and hot links in CF_TEXT. Publishing from the caller's own thread
// gives the exact moment a value leaves the host. The caller must pump (pump.h) while it waits,
// or the programs linked to it stall. Under Wine a host delivers about 65,535 hot-link values in
// its life: a test that publishes many needs a fresh host.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <array>
#include <string>
#include <string_view>

namespace veskor::test {

enum class HostItem { Frequency, Azimuth, Command };

class DdeHost {
public:
    // Registers the service; one host per process.
    DdeHost();
    ~DdeHost();
    DdeHost(const DdeHost&) = delete;
    DdeHost& operator=(const DdeHost&) = delete;

    bool Started() const { return started_; }

    // Stores the text and posts it down every hot link on the item, as fast as DdePostAdvise
    // returns; it is served with a terminating NUL, as CF_TEXT usually is.
    void Publish(HostItem item, std::string_view text) {
        PublishBytes(item, std::string(text) + '\0');
    }
    // The same with exactly these bytes served, no NUL added.
    void PublishBytes(HostItem item, std::string bytes);
    // The item's text, up to its first NUL.
    std::string Value(HostItem item) const { return values_[static_cast<size_t>(item)].c_str(); }

    // Refuses from now on a topic ("QSO", "CAT": no conversation) or an item ("Khz", "Az",
    // "Command": no request, no hot link), as a host that lacks it.
    void Refuse(std::wstring_view name);

    // From now on leaves every request and hot link unanswered (the client waits until its
    // timeout), as a host that stopped answering; conversations are still accepted.
    void Hang() { hanging_ = true; }

private:
    static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR);
    // The index of a name among names_[first] to names_[last], unless refused.
    int Find(HSZ name, int first, int last) const;

    DWORD instance_ = 0;
    std::array<HSZ, 6> names_{}; // the service, the two topics, the three items
    std::array<bool, 6> refused_{};
    bool started_ = false, hanging_ = false;
    std::array<std::string, 3> values_{std::string(1, '\0'), std::string(1, '\0'),
                                       std::string(1, '\0')};
};

} // namespace veskor::test
