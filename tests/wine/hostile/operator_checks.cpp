// Checks of Veskor's window shared by the hostile-host tests.
#include "operator_checks.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace veskor::test {
namespace {

constexpr ControlId kIndicators[] = {ControlId::CheckDipoleNS, ControlId::CheckDipoleEW,
                                     ControlId::CheckBeam, ControlId::CheckLW};

void Untick(const VeskorUnderTest& veskor, ControlId box) {
    if (veskor.Ticked(box)) {
        EXPECT_TRUE(veskor.Click(box));
    }
}

std::string Printable(const std::wstring& text) {
    constexpr std::size_t kShown = 40;
    std::string printable;
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const wchar_t c = text[i];
        if (c >= 0x20 && c < 0x7f) {
            printable += static_cast<char>(c);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\x%x", static_cast<unsigned>(c));
            printable += escaped;
        }
    }
    if (text.size() > kShown) {
        printable += "... (" + std::to_string(text.size()) + " characters)";
    }
    return printable;
}

} // namespace

std::string Describe(const VeskorUnderTest& veskor) {
    struct Box {
        const char* name;
        ControlId control;
    };
    constexpr Box kBoxes[] = {{"Khz", ControlId::TextKhz},
                              {"Az", ControlId::TextAz},
                              {"Command", ControlId::TextCommand},
                              {"Bearing", ControlId::TextBearing}};
    constexpr Box kTicks[] = {{"DipoleNS", ControlId::CheckDipoleNS},
                              {"DipoleEW", ControlId::CheckDipoleEW},
                              {"Beam", ControlId::CheckBeam},
                              {"LongWire", ControlId::CheckLW}};
    std::string description;
    for (const Box& box : kBoxes) {
        description += std::string(box.name) + " \"" + Printable(veskor.Text(box.control)) + "\" ";
    }
    description += "ticked:";
    for (const Box& tick : kTicks) {
        if (veskor.Ticked(tick.control)) {
            description += std::string(" ") + tick.name;
        }
    }
    return description;
}

bool ShowsTexts(const VeskorUnderTest& veskor, const LinkedTexts& texts) {
    return veskor.Text(ControlId::TextKhz) == texts.frequency &&
           veskor.Text(ControlId::TextAz) == texts.azimuth &&
           veskor.Text(ControlId::TextCommand) == texts.command;
}

bool OnlyTicked(const VeskorUnderTest& veskor, ControlId indicator) {
    for (ControlId box : kIndicators) {
        if (veskor.Ticked(box) != (box == indicator)) {
            return false;
        }
    }
    return true;
}

void ExpectOperatorCanWork(const VeskorUnderTest& veskor) {
    const Deadline deadline = DeadlineAfter(kPatience);
    Untick(veskor, ControlId::CheckAutoSwitch);
    Untick(veskor, ControlId::CheckAutoRotate);

    // Typing, then the Switch! button: 40 m is the long wire's.
    ASSERT_TRUE(veskor.Type(ControlId::TextKhz, L"7050"));
    ASSERT_TRUE(veskor.Click(ControlId::CommandSwitch));
    EXPECT_TRUE(PollUntil([&] { return OnlyTicked(veskor, ControlId::CheckLW); }, deadline));
    EXPECT_EQ(veskor.Text(ControlId::TextKhz), L"7050");

    // 20 m is the beam's, and Rotate! copies the azimuth into the Bearing box.
    ASSERT_TRUE(veskor.Type(ControlId::TextKhz, L"14100"));
    ASSERT_TRUE(veskor.Type(ControlId::TextAz, L"275"));
    ASSERT_TRUE(veskor.Click(ControlId::CommandSwitch));
    EXPECT_TRUE(PollUntil([&] { return OnlyTicked(veskor, ControlId::CheckBeam); }, deadline));
    ASSERT_TRUE(veskor.Click(ControlId::CommandRotate));
    EXPECT_TRUE(PollUntil([&] { return veskor.Text(ControlId::TextBearing) == L"275"; }, deadline));

    // With "Auto switch" ticked, typing alone moves the tick: 80 m towards 275 degrees.
    ASSERT_TRUE(veskor.Click(ControlId::CheckAutoSwitch));
    EXPECT_TRUE(veskor.Ticked(ControlId::CheckAutoSwitch));
    ASSERT_TRUE(veskor.Type(ControlId::TextKhz, L"3600"));
    EXPECT_TRUE(PollUntil([&] { return OnlyTicked(veskor, ControlId::CheckDipoleEW); }, deadline));
}

} // namespace veskor::test
