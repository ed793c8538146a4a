// What the hostile-host tests check of Veskor's window: the texts it shows, its ticks, and that
// the operator can still work it.
#pragma once

#include "veskor_under_test.h"

#include <string>

namespace veskor::test {

struct LinkedTexts {
    std::wstring frequency;
    std::wstring azimuth;
    std::wstring command;
};

bool ShowsTexts(const VeskorUnderTest& veskor, const LinkedTexts& texts);

// What the window shows, for failure messages: the four texts (long ones cut short, other than
// printable ASCII as \x escapes) and the ticked indicators.
std::string Describe(const VeskorUnderTest& veskor);

// Exactly this one of the four antenna indicators is ticked.
bool OnlyTicked(const VeskorUnderTest& veskor, ControlId indicator);

// Typing into the boxes, both buttons and the auto switch box each do their part, whatever state
// the window was left in. Reports failures through GoogleTest.
void ExpectOperatorCanWork(const VeskorUnderTest& veskor);

} // namespace veskor::test
