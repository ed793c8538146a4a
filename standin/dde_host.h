// The host "MixW" on DDE: topics QSO (items Khz, Az) and CAT (item Command), served as requests
// and hot links. The stand-in host serves through it, and tests and the bench play the host with
// it inside their own process: publishing from the caller's own thread gives the exact moment a
// value leaves the host. Its thread must pump messages while clients wait, or they stall. Under
// Wine a host delivers about 65,535 hot-link values in its life: many values need a fresh host.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace veskor {

enum class HostItem { Frequency, Azimuth, Command };
inline constexpr HostItem kHostItems[] = {HostItem::Frequency, HostItem::Azimuth,
                                          HostItem::Command};

// The item's DDE name ("Khz", "Az", "Command"), and the item a name means: like every DDE name,
// in any case.
const wchar_t* ItemName(HostItem item);
std::optional<HostItem> ItemNamed(std::string_view name);

class DdeHost {
public:
    // Registers the service; one host per process, since DDEML's callback has no context.
    DdeHost();
    ~DdeHost() { Stop(); }
    DdeHost(const DdeHost&) = delete;
    DdeHost& operator=(const DdeHost&) = delete;

    bool Started() const { return why_.empty(); }
    // Why the service could not be registered.
    const std::string& Failure() const { return why_; }

    // Stores the text and posts it down every hot link on the item, as fast as DdePostAdvise
    // returns; it is served with a terminating NUL, as CF_TEXT usually is.
    void Publish(HostItem item, std::string_view text) {
        PublishBytes(item, std::string(text) + '\0');
    }
    // The same with exactly these bytes served, no NUL added: clients must cope.
    void PublishBytes(HostItem item, std::string bytes);
    // The item's text, up to its first NUL.
    std::string Value(HostItem item) const { return values_[static_cast<size_t>(item)].c_str(); }

    // Refuses from now on a topic ("QSO", "CAT": no conversation) or an item ("Khz", "Az",
    // "Command": no request, no hot link), as a host that lacks it.
    void Refuse(std::wstring_view name);

    // The conversations clients hold with the host: opened and not yet ended by either side. A
    // client that ends without ending its conversations leaves them counted.
    int Conversations() const { return conversations_; }

    // From now on leaves every request and hot link unanswered (the client waits until its
    // timeout), as a host that stopped answering; conversations are still accepted.
    void Hang() { hanging_ = true; }

    // Ends every conversation and unregisters the service; later publishing reaches nobody.
    void Stop();

private:
    static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR);
    HDDEDATA Serve(UINT type, UINT format, HSZ topic, HSZ item);
    HDDEDATA WildConnect(HSZ topic, HSZ service);
    // The index of a name among names_[first] to names_[last], unless refused; -1 when none.
    int Find(HSZ name, int first, int last) const;

    DWORD instance_ = 0;
    std::array<HSZ, 6> names_{}; // the service, the two topics, the three items
    std::array<bool, 6> refused_{};
    bool hanging_ = false;
    int conversations_ = 0;
    std::string why_;
    // The bytes served, in the system ANSI code page.
    std::array<std::string, 3> values_{std::string(1, '\0'), std::string(1, '\0'),
                                       std::string(1, '\0')};
};

} // namespace veskor
