// libFuzzer target for the rules: any bytes as a frequency text and an azimuth text. Beyond
// crashes and sanitizer reports it checks what must hold for every text.
#include "rules.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using veskor::AntennaKind;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsIgnoredBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

void CheckReadNumber(std::string_view text) {
    const double value = veskor::ReadNumber(text);
    Require(!std::isnan(value));

    // Nothing can continue a number with a comma, so one more at the end changes nothing.
    Require(veskor::ReadNumber(std::string(text) + ",") == value);

    // A minus sign put before an unsigned decimal number negates it.
    const std::size_t first = text.find_first_not_of(" \t\n");
    if (first != std::string_view::npos &&
        ((text[first] >= '0' && text[first] <= '9') || text[first] == '.')) {
        Require(veskor::ReadNumber("-" + std::string(text)) == -value);
    }

    // Blanks, tabs and line feeds count for nothing, wherever they stand.
    std::string withoutBlanks;
    for (char c : text) {
        if (!IsIgnoredBlank(c)) {
            withoutBlanks.push_back(c);
        }
    }
    const double again = veskor::ReadNumber(withoutBlanks);
    Require(again == value || (std::isnan(again) && std::isnan(value)));
}

void CheckChooseAntenna(std::string_view frequency, std::string_view azimuth) {
    const AntennaKind kind = veskor::ChooseAntenna(frequency, azimuth);
    const double khz = veskor::ReadNumber(frequency);
    const bool eighty = khz >= 3500 && khz <= 3800;
    const bool beamBand = (khz >= 14000 && khz <= 14500) || (khz >= 21000 && khz <= 21500) ||
                          (khz >= 28000 && khz <= 30000);
    switch (kind) {
    case AntennaKind::DipoleNS:
    case AntennaKind::DipoleEW:
        Require(eighty && kind == veskor::ChooseLowBandDipole(veskor::ReadNumber(azimuth)));
        return;
    case AntennaKind::Beam:
        Require(beamBand);
        return;
    case AntennaKind::LongWire:
        Require(!eighty && !beamBand);
        return;
    }
    Require(false); // not one of the four antennas
}

void CheckChooseBearing(bool beamOn, std::string_view azimuth) {
    const auto bearing = veskor::ChooseBearing(beamOn, azimuth);
    if (beamOn && !azimuth.empty()) {
        Require(bearing.has_value() && *bearing == azimuth);
    } else {
        Require(!bearing.has_value());
    }
}

} // namespace

// The input splits at its first NUL byte: the frequency text before it, the azimuth text after.
// Without a NUL the whole input is both. The low bit of the first byte says whether the beam is on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view frequency = input.substr(0, split);
    const std::string_view azimuth =
        split == std::string_view::npos ? input : input.substr(split + 1);

    CheckReadNumber(frequency);
    if (split != std::string_view::npos) {
        CheckReadNumber(azimuth);
    }
    CheckChooseAntenna(frequency, azimuth);
    CheckChooseBearing(size > 0 && (data[0] & 1) != 0, azimuth);
    return 0;
}
