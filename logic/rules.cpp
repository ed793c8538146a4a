// The antenna and bearing rules.
#include "rules.h"

#include <algorithm>
#include <array>

namespace veskor {

namespace {

struct BandRow {
    double lowestKhz;  // inclusive
    double highestKhz; // inclusive
    bool lowBandDipole;
    AntennaKind kind; // the result when the row does not choose a dipole by azimuth
};

// Tested top to bottom; the first row that holds the frequency wins.
constexpr std::array kBandTable{
    BandRow{3500, 3800, true, AntennaKind::DipoleNS},
    BandRow{14000, 14500, false, AntennaKind::Beam},
    BandRow{21000, 21500, false, AntennaKind::Beam},
    BandRow{28000, 30000, false, AntennaKind::Beam},
};
constexpr AntennaKind kOutsideEveryRow = AntennaKind::LongWire;

// The 80 m sectors that the north/south dipole serves (strict bounds, degrees); every other
// azimuth goes to the east/west dipole. The first sector is the wrap-around one: below 45 or
// above 315, so negative azimuths and those of 360 and more fall in it.
struct Sector {
    double below;
    double above;
    bool wraps; // true: azimuth < below or azimuth > above; false: above < azimuth < below
};
constexpr std::array kNorthSouthSectors{
    Sector{45, 315, true},
    Sector{225, 135, false},
};

bool InSector(const Sector& sector, double azimuth) {
    return sector.wraps ? (azimuth < sector.below || azimuth > sector.above)
                        : (azimuth > sector.above && azimuth < sector.below);
}

} // namespace

AntennaKind ChooseLowBandDipole(double azimuth) {
    // NaN cannot come from ReadNumber; should a caller pass one, it is in no sector.
    const bool northSouth = std::ranges::any_of(
        kNorthSouthSectors, [azimuth](const Sector& sector) { return InSector(sector, azimuth); });
    return northSouth ? AntennaKind::DipoleNS : AntennaKind::DipoleEW;
}

AntennaKind ChooseAntenna(std::string_view frequencyText, std::string_view azimuthText) {
    const double frequency = ReadNumber(frequencyText);
    for (const BandRow& row : kBandTable) {
        if (row.lowestKhz <= frequency && frequency <= row.highestKhz) {
            return row.lowBandDipole ? ChooseLowBandDipole(ReadNumber(azimuthText)) : row.kind;
        }
    }
    return kOutsideEveryRow;
}

std::optional<std::string> ChooseBearing(bool beamOn, std::string_view azimuthText) {
    // Only the exactly empty text is refused: a text of blanks is copied as it stands.
    if (!beamOn || azimuthText.empty()) {
        return std::nullopt;
    }
    return std::string(azimuthText);
}

} // namespace veskor
