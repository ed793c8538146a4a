// The antenna and bearing rules: how a field text reads as a number, which antenna suits a
// frequency and azimuth, and what the Bearing box receives. Plain functions, no state.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veskor {

// The station's four antennas, in the order the panel writes their indicators.
enum class AntennaKind { DipoleNS, DipoleEW, Beam, LongWire };
inline constexpr std::size_t kAntennaCount = 4;

// The numeric value of a field text. Never fails: a text with no number reads as 0.
double ReadNumber(std::string_view text);

// The 80 m dipole whose broadside faces the given azimuth (degrees, not reduced modulo 360).
AntennaKind ChooseLowBandDipole(double azimuth);

// The antenna for a frequency text (kHz); the azimuth text is read only in the 80 m row.
AntennaKind ChooseAntenna(std::string_view frequencyText, std::string_view azimuthText);

// The text the Bearing box receives when the beam is to be turned, or nothing.
std::optional<std::string> ChooseBearing(bool beamOn, std::string_view azimuthText);

} // namespace veskor
