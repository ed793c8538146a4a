// The start-up sequence and the host link's routing, against the in-memory host.
#include "fake_host.h"
#include "host_link.h"
#include "start_up.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace veskor {
namespace {

using testing::FakeHost;

const std::vector<std::string> kAllRequests{"connect MixW|QSO", "advise Khz",     "fetch Khz",
                                            "connect MixW|QSO", "advise Az",      "fetch Az",
                                            "connect MixW|CAT", "advise Command", "fetch Command"};

std::vector<std::string> FirstRequests(std::size_t count) {
    return {kAllRequests.begin(), kAllRequests.begin() + static_cast<std::ptrdiff_t>(count)};
}

// Logs each panel write as a letter: F, A, C for the linked texts, I for an indicator, else ?.
void LogWrites(StationPanel& panel, std::string& log) {
    panel.SetObserver(
        [&log](PanelField field) { log += "FAC?IIII??"[static_cast<std::size_t>(field)]; });
}

TEST(StartUp, OpensTheThreeLinksWithTheirValuesThenRunsAutoActionsOnce) {
    FakeHost host;
    host.values = {{"Khz", "3600"}, {"Az", "80"}, {"Command", "CQ"}};
    StationPanel panel;
    panel.SetAutoSwitch(1);
    std::string writes;
    LogWrites(panel, writes);
    int failures = 0;

    auto hostLink = StartUp(panel, host.Factory(), [&] { ++failures; });

    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(host.requests, kAllRequests);
    EXPECT_EQ(host.liveConversations, 3);
    // Each current value is written, with its trigger, as its link opens; the auto actions run
    // once more at the end.
    EXPECT_EQ(writes, "FIIIIAIIIICIIII");
    const auto texts = [&] {
        return panel.FrequencyText() + "|" + panel.AzimuthText() + "|" + panel.CommandText();
    };
    EXPECT_EQ(texts(), "3600|80|CQ");
    // Each later value reaches its own text and no other.
    host.Publish("Khz", "7050\r\n");
    EXPECT_EQ(texts(), "7050\r\n|80|CQ");
    host.Publish("Az", "new\r\n");
    EXPECT_EQ(texts(), "7050\r\n|new\r\n|CQ");
    host.Publish("Command", "CQ DX");
    EXPECT_EQ(texts(), "7050\r\n|new\r\n|CQ DX");
    hostLink.reset();
    EXPECT_EQ(host.liveConversations, 0);
}

TEST(StartUp, HostWithoutValuesLeavesTheTextsAndStillLinks) {
    FakeHost host;
    host.values = {{"Khz", std::nullopt}, {"Az", std::nullopt}, {"Command", std::nullopt}};
    StationPanel panel;

    auto hostLink = StartUp(panel, host.Factory(), [] { FAIL() << "start-up failed"; });

    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(panel.FrequencyText() + " " + panel.AzimuthText() + " " + panel.CommandText(),
              "14100 10 ");
    host.Publish("Az", "200");
    EXPECT_EQ(panel.AzimuthText(), "200");
}

TEST(StartUp, AnyLinkFailingStopsAtOnceWithOneFailure) {
    const struct {
        const char* name;
        std::function<void(FakeHost&)> breakHost;
        std::size_t requestsMade; // the last one is the one that fails
        int openWhenFailing;
    } cases[]{
        {"host not running", [](FakeHost& h) { h.running = false; }, 1, 0},
        {"frequency never answered", [](FakeHost& h) { h.unansweredFetches = {"Khz"}; }, 3, 0},
        {"azimuth refused", [](FakeHost& h) { h.refusedItems = {"Az"}; }, 5, 1},
        {"topic CAT refused", [](FakeHost& h) { h.refusedTopics = {"CAT"}; }, 7, 2},
        {"command refused", [](FakeHost& h) { h.refusedItems = {"Command"}; }, 8, 2},
        {"command never answered", [](FakeHost& h) { h.unansweredFetches = {"Command"}; }, 9, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        // No values, so that any indicator written can only come from the auto actions.
        host.values = {{"Khz", std::nullopt}, {"Az", std::nullopt}, {"Command", std::nullopt}};
        c.breakHost(host);
        StationPanel panel;
        panel.SetAutoSwitch(1);
        std::string writes;
        LogWrites(panel, writes);
        int failures = 0;
        int openWhenFailing = -1;

        auto hostLink = StartUp(panel, host.Factory(), [&] {
            ++failures;
            openWhenFailing = host.liveConversations;
        });

        EXPECT_EQ(hostLink, nullptr);
        EXPECT_EQ(failures, 1);
        EXPECT_EQ(host.requests, FirstRequests(c.requestsMade));
        // The failed link is ended at once; those already opened end with the program.
        EXPECT_EQ(openWhenFailing, c.openWhenFailing);
        EXPECT_EQ(host.liveConversations, 0);
        EXPECT_EQ(writes.find('I'), std::string::npos);
    }
}

TEST(HostLink, CurrentValueAndItsTriggerRunInsideOpenLink) {
    FakeHost host;
    host.values["Command"] = "SWITCH";
    host.values["Khz"] = "14100";
    StationPanel panel;
    HostLink hostLink(panel, host.Factory());

    ASSERT_TRUE(hostLink.OpenLink(LinkedField::Command));

    EXPECT_EQ(panel.CommandText(), "SWITCH");
    EXPECT_EQ(panel.Indicator(AntennaKind::Beam), 1);
    EXPECT_EQ(host.requests,
              (std::vector<std::string>{"connect MixW|CAT", "advise Command", "fetch Command"}));
}

TEST(LinkedField, LinkTopicSplitsAtTheFirstBar) {
    const struct {
        std::string_view linkTopic, application, topic;
    } cases[]{{"MixW|QSO", "MixW", "QSO"},
              {"MixW", "MixW", ""},
              {"|QSO", "", "QSO"},
              {"A|B|C", "A", "B|C"},
              {"", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ApplicationOf(c.linkTopic), c.application) << c.linkTopic;
        EXPECT_EQ(TopicOf(c.linkTopic), c.topic) << c.linkTopic;
    }
}

} // namespace
} // namespace veskor
