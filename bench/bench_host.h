// The bench's own host: a DDE server named "MixW" inside the bench process, serving the frequency,
// azimuth and command items as hot links in CF_TEXT. Publishing from the measuring thread itself
// gives the exact moment a value leaves the host, with no pipe or second process in between.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <array>
#include <string>

namespace veskor::bench {

enum class HostItem { Frequency, Azimuth, Command };

class BenchHost {
public:
    // Registers the service; one host per process.
    BenchHost();
    ~BenchHost();
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;

    bool Started() const { return instance_ != 0; }

    // Stores the value and sends it down every hot link on the item, as the host does.
    void Publish(HostItem item, const std::string& value);
    const std::string& Value(HostItem item) const;

    // Hot links currently open on the item (each client conversation counts once).
    int AdviseCount(HostItem item) const;

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                      HSZ item, HDDEDATA data, ULONG_PTR, ULONG_PTR);
    HDDEDATA Answer(UINT type, UINT format, HSZ topic, HSZ item);
    int FindItem(HSZ topic, HSZ item) const;

    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    std::array<HSZ, 2> topics_{};
    std::array<HSZ, 3> items_{};
    std::array<std::string, 3> values_;
    std::array<int, 3> adviseCounts_{};
};

} // namespace veskor::bench
