// The host link over real DDE, the host played in this process: where start-up stops when the
// host fails it, and the host's values exactly as they come, in order.
#include "dde_conversation.h"
#include "dde_host.h"
#include "host_link.h"
#include "pump.h"
#include "start_up.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace veskor {
namespace {

using namespace test;

std::string Shown(const StationPanel& panel) {
    std::string shown = panel.FrequencyText() + " " + panel.AzimuthText() + " ";
    for (auto kind :
         {AntennaKind::DipoleNS, AntennaKind::DipoleEW, AntennaKind::Beam, AntennaKind::LongWire}) {
        shown += std::to_string(panel.Indicator(kind));
    }
    return shown + " " + panel.BearingText();
}

TEST(HostLinkUnderWine, StartUpStopsWhereTheHostFails) {
    const struct {
        const wchar_t* trouble; // a name refused, "hang", "absent" or nothing
        size_t steps;           // all nine: start-up succeeded
        const char* shown;
    } rows[]{
        {L"absent", 1, "14100 10 0000 0"},
        {L"Az", 5, "3600 10 0000 0"},
        {L"CAT", 7, "3600 80 0000 0"},
        {L"Command", 8, "3600 80 0000 0"},
        {L"hang", 2, "14100 10 0000 0"},
        // A SWITCH standing at start sets the indicators inside start-up, before any pumping.
        {L"", 9, "3600 80 0100 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.trouble);
        const std::wstring trouble = row.trouble;
        std::optional<DdeHost> host{std::in_place};
        host->Publish(HostItem::Frequency, "3600");
        host->Publish(HostItem::Azimuth, "80");
        host->Publish(HostItem::Command, "SWITCH");
        trouble == L"absent" ? host.reset()
        : trouble == L"hang" ? host->Hang()
                             : host->Refuse(trouble);
        StationPanel panel;
        int failures = 0;
        const auto start = Clock::now();
        auto link = StartUp(panel, MakeDdeConversation, [&] { ++failures; });
        const auto elapsed = Clock::now() - start;
        EXPECT_EQ(failures + (link != nullptr), 1);
        EXPECT_EQ(failures, trouble.empty() ? 0 : 1);
        EXPECT_EQ(Shown(panel), row.shown);
        if (trouble == L"hang") { // waited for the host, then gave up
            EXPECT_GE(elapsed, kHostAnswerTimeout);
            EXPECT_LT(elapsed, kHostAnswerTimeout + kPatience);
        }
    }
}

// Hostile values, by the hot link of an open link and then as the current value when a link
// opens (one link at a time: in one process, Wine's host stops serving a hot link once another
// conversation links the same item).
TEST(HostLinkUnderWine, HostileValuesArriveExactly) {
    const struct {
        HostItem item;
        std::string bytes; // served as they are, without a NUL added
        std::string expected;
    } rows[]{
        {HostItem::Azimuth, std::string(1, '\0'), ""},
        {HostItem::Frequency, "14074", "14074"},
        {HostItem::Frequency, std::string{'1', '4', '\0', '9', '9'}, "14"},
        {HostItem::Command, "SWITCH\r\n", "SWITCH\r\n"}, // not the command word
        {HostItem::Frequency, std::string(1 << 20, '9'), std::string(1 << 20, '9')},
        // Euro sign, e acute, y diaeresis in the Western ANSI code page.
        {HostItem::Command, "\x80\xe9\xff\x41", "\u20ac\u00e9\u00ffA"},
    };
    DdeHost host;
    StationPanel panel;
    auto link = StartUp(panel, MakeDdeConversation, [] { ADD_FAILURE() << "start-up failed"; });
    for (bool opening : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.bytes.substr(0, 20));
            if (row.bytes[0] == '\x80' && GetACP() != 1252) {
                continue;
            }
            StationPanel fresh;
            std::optional<HostLink> opened;
            StationPanel& shown = opening ? fresh : panel;
            int writes = 0;
            shown.SetObserver([&](PanelField field) { writes += int(field) == int(row.item); });
            host.PublishBytes(row.item, row.bytes);
            if (opening) {
                ASSERT_TRUE(opened.emplace(fresh, MakeDdeConversation)
                                .OpenLink(static_cast<LinkedField>(row.item)));
            }
            EXPECT_TRUE(PumpUntil([&] { return writes > 0; }, DeadlineAfter(kPatience)));
            EXPECT_TRUE(shown.Text(static_cast<PanelField>(row.item)) == row.expected);
        }
        EXPECT_TRUE(Shown(panel).ends_with(" 0000 0"));
        link.reset();
    }
}

// Values published while start-up waits for another link's answer arrive whole and in order,
// whether handled inside that wait or after it.
TEST(HostLinkUnderWine, ValuesDuringAnotherLinksOpeningKeepTheirOrder) {
    DdeHost host;
    StationPanel panel;
    std::vector<std::string> seen;
    panel.SetObserver([&](PanelField field) {
        if (field == PanelField::FrequencyText) {
            seen.push_back(panel.FrequencyText());
        }
    });
    HostLink link(panel, MakeDdeConversation);
    ASSERT_TRUE(link.OpenLink(LinkedField::Frequency));
    seen.clear();
    for (int i = 0; i < 2000; ++i) {
        host.Publish(HostItem::Frequency, std::to_string(14000.00 + i / 100.0).substr(0, 8));
    }
    ASSERT_TRUE(link.OpenLink(LinkedField::Azimuth));
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2000; }, DeadlineAfter(kPatience)));
    ASSERT_EQ(seen.size(), 2000u);
    EXPECT_EQ(seen.front() + " " + seen.back(), "14000.00 14019.99");
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

} // namespace
} // namespace veskor
