// The start-up sequence and the host link's routing, against the in-memory host.
#include "fake_host.h"
#include "host_link.h"
#include "start_up.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace veskor {
namespace {

using testing::FakeHost;

const std::vector<PanelField> kFourIndicators{
    PanelField::IndicatorDipoleNS, PanelField::IndicatorDipoleEW, PanelField::IndicatorBeam,
    PanelField::IndicatorLongWire};

template <typename T> std::vector<T> Concat(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct Recorder {
    std::vector<PanelField> writes;
    void Attach(StationPanel& panel) {
        panel.SetObserver([this](PanelField field) { writes.push_back(field); });
    }
    int IndicatorWrites() const {
        int count = 0;
        for (PanelField field : writes) {
            count += std::find(kFourIndicators.begin(), kFourIndicators.end(), field) !=
                     kFourIndicators.end();
        }
        return count;
    }
};

TEST(StartUp, OpensFrequencyAzimuthCommandWithTheirValuesThenRunsAutoActionsOnce) {
    FakeHost host;
    host.values = {{"Khz", "3600"}, {"Az", "80"}, {"Command", "CQ"}};
    StationPanel panel;
    panel.SetAutoSwitch(1);
    Recorder recorder;
    recorder.Attach(panel);
    int failures = 0;

    auto hostLink = StartUp(panel, host.Factory(), [&] { ++failures; });

    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(host.requests,
              (std::vector<std::string>{"connect MixW|QSO", "advise Khz", "fetch Khz",
                                        "connect MixW|QSO", "advise Az", "fetch Az",
                                        "connect MixW|CAT", "advise Command", "fetch Command"}));
    EXPECT_EQ(host.liveConversations, 3);
    // Each current value is written, with its trigger, as its link opens; the auto actions run
    // once more at the end.
    EXPECT_EQ(recorder.writes, Concat<PanelField>({{PanelField::FrequencyText},
                                                   kFourIndicators,
                                                   {PanelField::AzimuthText},
                                                   kFourIndicators,
                                                   {PanelField::CommandText},
                                                   kFourIndicators}));
    EXPECT_EQ(panel.FrequencyText(), "3600");
    EXPECT_EQ(panel.AzimuthText(), "80");
    EXPECT_EQ(panel.CommandText(), "CQ");

    hostLink.reset();
    EXPECT_EQ(host.liveConversations, 0);
}

TEST(StartUp, HostWithoutValuesLeavesTheTextsAndStillLinks) {
    FakeHost host;
    host.values = {{"Khz", std::nullopt}, {"Az", std::nullopt}, {"Command", std::nullopt}};
    StationPanel panel;
    int failures = 0;

    auto hostLink = StartUp(panel, host.Factory(), [&] { ++failures; });

    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(panel.FrequencyText(), "14100");
    EXPECT_EQ(panel.AzimuthText(), "10");
    EXPECT_EQ(panel.CommandText(), "");
    host.Publish("Az", "200");
    EXPECT_EQ(panel.AzimuthText(), "200");
}

TEST(StartUp, AnyLinkFailingStopsAtOnceWithOneFailure) {
    const std::vector<std::string> first{"connect MixW|QSO", "advise Khz", "fetch Khz"};
    const std::vector<std::string> second{"connect MixW|QSO", "advise Az", "fetch Az"};
    struct Case {
        const char* name;
        std::function<void(FakeHost&)> breakHost;
        std::vector<std::string> requests; // the last one is the one that fails
        int openWhenFailing;
    };
    const std::vector<Case> cases{
        {"host not running", [](FakeHost& h) { h.running = false; }, {"connect MixW|QSO"}, 0},
        {"frequency never answered", [](FakeHost& h) { h.unansweredFetches = {"Khz"}; }, first, 0},
        {"azimuth refused", [](FakeHost& h) { h.refusedItems = {"Az"}; },
         Concat<std::string>({first, {"connect MixW|QSO", "advise Az"}}), 1},
        {"topic CAT refused", [](FakeHost& h) { h.refusedTopics = {"CAT"}; },
         Concat<std::string>({first, second, {"connect MixW|CAT"}}), 2},
        {"command refused", [](FakeHost& h) { h.refusedItems = {"Command"}; },
         Concat<std::string>({first, second, {"connect MixW|CAT", "advise Command"}}), 2},
        {"command never answered", [](FakeHost& h) { h.unansweredFetches = {"Command"}; },
         Concat<std::string>(
             {first, second, {"connect MixW|CAT", "advise Command", "fetch Command"}}),
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        // No values, so that any indicator written can only come from the auto actions.
        host.values = {{"Khz", std::nullopt}, {"Az", std::nullopt}, {"Command", std::nullopt}};
        c.breakHost(host);
        StationPanel panel;
        panel.SetAutoSwitch(1);
        Recorder recorder;
        recorder.Attach(panel);
        int failures = 0;
        int openWhenFailing = -1;

        auto hostLink = StartUp(panel, host.Factory(), [&] {
            ++failures;
            openWhenFailing = host.liveConversations;
        });

        EXPECT_EQ(hostLink, nullptr);
        EXPECT_EQ(failures, 1);
        EXPECT_EQ(host.requests, c.requests);
        // The failed link is ended at once; those already opened end with the program.
        EXPECT_EQ(openWhenFailing, c.openWhenFailing);
        EXPECT_EQ(host.liveConversations, 0);
        EXPECT_EQ(recorder.IndicatorWrites(), 0);
    }
}

TEST(HostLink, CurrentValueAndItsTriggerRunInsideOpenLink) {
    FakeHost host;
    host.values = {{"Khz", "14100"}, {"Az", "10"}, {"Command", "SWITCH"}};
    StationPanel panel;
    HostLink hostLink(panel, host.Factory());

    ASSERT_TRUE(hostLink.OpenLink(LinkedField::Command));

    EXPECT_EQ(panel.CommandText(), "SWITCH");
    EXPECT_EQ(panel.Indicator(AntennaKind::Beam), 1);
    EXPECT_EQ(host.requests,
              (std::vector<std::string>{"connect MixW|CAT", "advise Command", "fetch Command"}));
}

TEST(HostLink, EachLaterValueReachesItsOwnText) {
    struct Case {
        const char* item;
        const std::string& (StationPanel::*text)() const;
    };
    const std::vector<Case> cases{
        {"Khz", &StationPanel::FrequencyText},
        {"Az", &StationPanel::AzimuthText},
        {"Command", &StationPanel::CommandText},
    };
    FakeHost host;
    StationPanel panel;
    auto hostLink = StartUp(panel, host.Factory(), [] { FAIL() << "start-up failed"; });
    ASSERT_NE(hostLink, nullptr);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const std::string before[] = {panel.FrequencyText(), panel.AzimuthText(),
                                      panel.CommandText()};
        const std::string value = std::string("new ") + c.item + "\r\n";

        host.Publish(c.item, value);

        EXPECT_EQ((panel.*c.text)(), value);
        const std::string after[] = {panel.FrequencyText(), panel.AzimuthText(),
                                     panel.CommandText()};
        int changed = 0;
        for (int i = 0; i < 3; ++i) {
            changed += before[i] != after[i];
        }
        EXPECT_EQ(changed, 1);
    }
}

TEST(LinkedField, LinkTopicSplitsAtTheFirstBar) {
    struct Case {
        std::string_view linkTopic, application, topic;
    };
    const std::vector<Case> cases{
        {"MixW|QSO", "MixW", "QSO"}, {"MixW|CAT", "MixW", "CAT"}, {"MixW", "MixW", ""},
        {"|QSO", "", "QSO"},         {"A|B|C", "A", "B|C"},       {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.linkTopic);
        EXPECT_EQ(ApplicationOf(c.linkTopic), c.application);
        EXPECT_EQ(TopicOf(c.linkTopic), c.topic);
    }
}

} // namespace
} // namespace veskor
