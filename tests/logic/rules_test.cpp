// The antenna and bearing rules: band rows and their edges, the 80 m sectors, the bearing choice.
#include "rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;
using enum AntennaKind;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A text that reads back as exactly this double.
std::string Exactly(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

struct AntennaCase {
    std::string frequency;
    std::string azimuth;
    AntennaKind expected;
};

void ExpectAntennas(const std::vector<AntennaCase>& table) {
    for (const AntennaCase& row : table) {
        SCOPED_TRACE(testing::PrintToString(row.frequency) + " kHz, azimuth " +
                     testing::PrintToString(row.azimuth));
        EXPECT_EQ(ChooseAntenna(row.frequency, row.azimuth), row.expected);
    }
}

TEST(ChooseAntenna, BandEdgesAreInclusive) {
    // Azimuth 10 gives the north/south dipole inside the 80 m row.
    std::vector<AntennaCase> table;
    const struct {
        double lowest;
        double highest;
        AntennaKind inside;
    } rows[]{
        {3500, 3800, DipoleNS}, {14000, 14500, Beam}, {21000, 21500, Beam}, {28000, 30000, Beam}};
    for (const auto& row : rows) {
        table.push_back({Exactly(row.lowest), "10", row.inside});
        table.push_back({Exactly(row.highest), "10", row.inside});
        table.push_back({Exactly((row.lowest + row.highest) / 2), "10", row.inside});
        table.push_back({Exactly(std::nextafter(row.lowest, 0.0)), "10", LongWire});
        table.push_back({Exactly(std::nextafter(row.highest, kInfinity)), "10", LongWire});
        table.push_back({Exactly(std::nextafter(row.lowest, kInfinity)), "10", row.inside});
        table.push_back({Exactly(std::nextafter(row.highest, 0.0)), "10", row.inside});
    }
    ExpectAntennas(table);
}

TEST(ChooseAntenna, OutsideEveryRowIsTheLongWire) {
    for (const char* frequency :
         {"",        "abc",   "0",        "3499.99", "3800.01", "7050",     "13999",
          "14500.5", "18100", "21500.01", "24900",   "27999.9", "30000.01", "50100",
          "-14100",  "-3600", "1e999",    "-1e999",  "3,500",   "\r3600",   "3.5"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(frequency)));
        EXPECT_EQ(ChooseAntenna(frequency, "10"), LongWire);
    }
}

TEST(ChooseAntenna, FrequencyTextsReadLikeAnyNumber) {
    ExpectAntennas({{"14 100", "", Beam},
                    {"1.41e4", "", Beam},
                    {"&H36B0", "", Beam},
                    {"&O33260", "", Beam},
                    {"14100 kHz", "", Beam},
                    {"14100\r\n", "", Beam},
                    {"3500 kHz", "10", DipoleNS},
                    {"3.6E3", "90", DipoleEW},
                    {"+3600.", "90", DipoleEW},
                    {"21 000", "", Beam},
                    {"2.8e+4", "", Beam},
                    {"30000.000", "", Beam}});
}

TEST(ChooseAntenna, AzimuthMattersOnlyOnEightyMetres) {
    for (const char* frequency : {"14100", "21200", "29000", "7000", "", "abc"}) {
        const AntennaKind withNorth = ChooseAntenna(frequency, "0");
        for (const char* azimuth : {"", "90", "180", "270", "word", "-5", "1e999"}) {
            SCOPED_TRACE(std::string(frequency) + " kHz, azimuth " + azimuth);
            EXPECT_EQ(ChooseAntenna(frequency, azimuth), withNorth);
        }
    }
}

TEST(ChooseAntenna, EightyMetreAzimuthTexts) {
    std::vector<AntennaCase> table;
    const struct {
        const char* azimuth;
        AntennaKind expected;
    } azimuths[]{
        {"0", DipoleNS},     {"44.9", DipoleNS},  {"315.1", DipoleNS}, {"359", DipoleNS},
        {"360", DipoleNS},   {"720", DipoleNS},   {"-1", DipoleNS},    {"-90", DipoleNS},
        {"", DipoleNS},      {"north", DipoleNS}, {"1e999", DipoleNS}, {"-1e999", DipoleNS},
        {"45", DipoleEW},    {"90", DipoleEW},    {"135", DipoleEW},   {"225", DipoleEW},
        {"270", DipoleEW},   {"315", DipoleEW},   {"135.5", DipoleNS}, {"180", DipoleNS},
        {"224.9", DipoleNS}, {"9 0", DipoleEW},   {"90,5", DipoleEW},  {"&H5A", DipoleEW},
        {"&HB4", DipoleNS},  {"4.5e1", DipoleEW}, {"45e", DipoleEW},   {"270\r", DipoleEW}};
    for (const char* frequency : {"3500", "3650", "3800"}) {
        for (const auto& row : azimuths) {
            table.push_back({frequency, row.azimuth, row.expected});
        }
    }
    ExpectAntennas(table);
}

TEST(ChooseLowBandDipole, SectorBoundsAreStrict) {
    const struct {
        double azimuth;
        AntennaKind expected;
    } table[]{{-kInfinity, DipoleNS},
              {-720, DipoleNS},
              {-0.0, DipoleNS},
              {std::nextafter(45.0, 0.0), DipoleNS},
              {45, DipoleEW},
              {std::nextafter(45.0, kInfinity), DipoleEW},
              {90, DipoleEW},
              {std::nextafter(135.0, 0.0), DipoleEW},
              {135, DipoleEW},
              {std::nextafter(135.0, kInfinity), DipoleNS},
              {180, DipoleNS},
              {std::nextafter(225.0, 0.0), DipoleNS},
              {225, DipoleEW},
              {std::nextafter(225.0, kInfinity), DipoleEW},
              {270, DipoleEW},
              {std::nextafter(315.0, 0.0), DipoleEW},
              {315, DipoleEW},
              {std::nextafter(315.0, kInfinity), DipoleNS},
              {360, DipoleNS},
              {495, DipoleNS}, // 135 beyond a full turn: not reduced, so still above 315
              {kInfinity, DipoleNS}};
    for (const auto& row : table) {
        SCOPED_TRACE(Exactly(row.azimuth));
        EXPECT_EQ(ChooseLowBandDipole(row.azimuth), row.expected);
    }
}

TEST(ChooseBearing, CopiesTheAzimuthTextWhenTheBeamIsOn) {
    const struct {
        bool beamOn;
        std::string_view azimuth;
        std::optional<std::string> expected;
    } table[]{{false, "275", std::nullopt},
              {false, "", std::nullopt},
              {false, " ", std::nullopt},
              {true, "", std::nullopt},
              {true, " ", " "},
              {true, "275", "275"},
              {true, "0", "0"},
              {true, "275abc", "275abc"},
              {true, "north", "north"},
              {true, " 27 5\r\n", " 27 5\r\n"},
              {true, "\r", "\r"},
              {true, "2\0007"sv, std::string("2\0007"sv)},
              {true, "\xFF\xC3", "\xFF\xC3"},
              {true, "-1e999", "-1e999"}};
    for (const auto& row : table) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.azimuth)) +
                     (row.beamOn ? " beam on" : " beam off"));
        EXPECT_EQ(ChooseBearing(row.beamOn, row.azimuth), row.expected);
    }
}

} // namespace
} // namespace veskor
