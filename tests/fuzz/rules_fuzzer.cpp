// libFuzzer target for the rules: any bytes as a frequency text and an azimuth text. Beyond
// crashes and sanitizer reports, every text must read as the reference reader reads it.
#include "reading_check.h"
#include "rules.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

// The input splits at its first NUL byte: the frequency text before it, the azimuth text after.
// Without a NUL the whole input is both. The low bit of the first byte says whether the beam is on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view frequency = input.substr(0, split);
    const std::string_view azimuth = split == input.npos ? input : input.substr(split + 1);
    const bool beamOn = size > 0 && (data[0] & 1) != 0;
    if (!veskor::test::CheckReading(frequency) || !veskor::test::CheckReading(azimuth) ||
        veskor::ChooseBearing(beamOn, azimuth) !=
            (beamOn && !azimuth.empty() ? std::optional<std::string>(azimuth) : std::nullopt)) {
        std::abort();
    }
    veskor::ChooseAntenna(frequency, azimuth);
    return 0;
}
