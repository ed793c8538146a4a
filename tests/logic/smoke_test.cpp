#include "station_panel.h"

#include <gtest/gtest.h>

TEST(Smoke, PanelSwitches) {
    veskor::StationPanel panel;
    panel.SwitchAntenna();
    EXPECT_EQ(panel.Indicator(veskor::AntennaKind::Beam), 1);
    EXPECT_EQ(veskor::ReadNumber("1.e3"), 1000);
}
