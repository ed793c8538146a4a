// The antenna rules: band rows and their edges, the 80 m sectors. (The bearing choice is tested
// through the panel.)
#include "rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;
using enum AntennaKind;

// A text that reads back as exactly this double.
std::string Exactly(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

TEST(ChooseAntenna, BandRowsAndEightyMetreSectors) {
    // clang-format off
    std::vector<std::tuple<std::string, std::string, AntennaKind>> table{
        // Texts read as ReadNumber reads them; the azimuth counts only in the 80 m row.
        {"14 100", "180", Beam}, {"&H36B0", "", Beam}, {"3500", "9 0", DipoleEW},
        {"", "", LongWire}, {"7050", "", LongWire}, {"-14100", "", LongWire},
        {"1e999", "", LongWire}, {"3,500", "90", LongWire},
        // Azimuths in the 80 m row, not reduced modulo 360.
        {"3650", "north", DipoleNS}, {"3650", "-1e999", DipoleNS}, {"3650", "-90", DipoleNS},
        {"3650", "360", DipoleNS}, {"3650", "495", DipoleNS}, {"3650", "1e999", DipoleNS},
        {"3650", "&HB4", DipoleNS}, {"3650", "90,5", DipoleEW}, {"3650", "270\r", DipoleEW},
    };
    // clang-format on
    // Each row's edges and middle are inside it, the doubles just beyond them outside.
    for (const auto& [lowest, highest, inside] : {std::tuple{3500.0, 3800.0, DipoleNS},
                                                  {14000.0, 14500.0, Beam},
                                                  {21000.0, 21500.0, Beam},
                                                  {28000.0, 30000.0, Beam}}) {
        for (double in : {lowest, highest, (lowest + highest) / 2}) {
            table.emplace_back(Exactly(in), "0", inside);
        }
        table.emplace_back(Exactly(std::nextafter(lowest, 0.0)), "0", LongWire);
        table.emplace_back(Exactly(std::nextafter(highest, 1e9)), "0", LongWire);
    }
    // The sector bounds are strict: each bound and the doubles either side of it.
    for (const auto& [bound, below, at, above] : {std::tuple{45.0, DipoleNS, DipoleEW, DipoleEW},
                                                  {135.0, DipoleEW, DipoleEW, DipoleNS},
                                                  {225.0, DipoleNS, DipoleEW, DipoleEW},
                                                  {315.0, DipoleEW, DipoleEW, DipoleNS}}) {
        table.emplace_back("3800", Exactly(std::nextafter(bound, 0.0)), below);
        table.emplace_back("3500", Exactly(bound), at);
        table.emplace_back("3800", Exactly(std::nextafter(bound, 1e9)), above);
    }
    for (const auto& [frequency, azimuth, expected] : table) {
        EXPECT_EQ(ChooseAntenna(frequency, azimuth), expected) << frequency << " kHz, " << azimuth;
    }
}

} // namespace
} // namespace veskor
