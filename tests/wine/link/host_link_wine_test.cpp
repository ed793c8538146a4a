// The host link over real DDE, against the stand-in host running as a separate process.
#include "dde_conversation.h"
#include "host_link.h"
#include "message_pump.h"
#include "standin_process.h"
#include "start_up.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace veskor {
namespace {

using namespace test;

// Passes everything on to a real DDE conversation and notes each request, so that a test sees
// which steps start-up took and where it stopped.
class RecordingConversation final : public HostConversation {
public:
    explicit RecordingConversation(std::vector<std::string>& requests) : requests_(requests) {}

    bool Connect(std::string_view application, std::string_view topic) override {
        requests_.push_back("connect " + std::string(application) + "|" + std::string(topic));
        return real_->Connect(application, topic);
    }
    bool StartHotLink(std::string_view item, Delivery deliver) override {
        requests_.push_back("advise " + std::string(item));
        return real_->StartHotLink(item, std::move(deliver));
    }
    CurrentValue FetchCurrentValue(std::string_view item) override {
        requests_.push_back("fetch " + std::string(item));
        return real_->FetchCurrentValue(item);
    }

private:
    std::vector<std::string>& requests_;
    std::unique_ptr<HostConversation> real_ = MakeDdeConversation();
};

const std::vector<std::string> kAllRequests{"connect MixW|QSO", "advise Khz",     "fetch Khz",
                                            "connect MixW|QSO", "advise Az",      "fetch Az",
                                            "connect MixW|CAT", "advise Command", "fetch Command"};

std::vector<std::string> FirstRequests(std::size_t count) {
    return {kAllRequests.begin(), kAllRequests.begin() + static_cast<std::ptrdiff_t>(count)};
}

// The text a linked field writes.
std::string TextOf(const StationPanel& panel, LinkedField field) {
    const std::string texts[]{panel.FrequencyText(), panel.AzimuthText(), panel.CommandText()};
    return texts[static_cast<std::size_t>(field)];
}

std::string Ticks(const StationPanel& panel) {
    std::string ticks;
    for (AntennaKind kind :
         {AntennaKind::DipoleNS, AntennaKind::DipoleEW, AntennaKind::Beam, AntennaKind::LongWire}) {
        ticks += std::to_string(panel.Indicator(kind));
    }
    return ticks;
}

class HostLinkUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        panel.SetObserver([this](PanelField field) { ++writes[static_cast<std::size_t>(field)]; });
    }

    std::unique_ptr<HostLink> StartUpNow() {
        return StartUp(
            panel, [this] { return std::make_unique<RecordingConversation>(requests); },
            [this] { ++failures; });
    }

    // Has the host publish a value and waits until it has reached the panel. The linked texts
    // are the panel's first three fields, in the same order.
    bool Publish(LinkedField field, const std::string& line) {
        const int& count = writes[static_cast<std::size_t>(field)];
        const int before = count;
        return host.Command(line) &&
               PumpUntil([&] { return count > before; }, DeadlineAfter(kPatience));
    }

    StandinProcess host;
    StationPanel panel;
    std::array<int, 10> writes{};
    std::vector<std::string> requests;
    int failures = 0;
};

TEST_F(HostLinkUnderWine, HostAbsentFailsAtTheFirstLink) {
    auto hostLink = StartUpNow();

    EXPECT_EQ(hostLink, nullptr);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(requests, FirstRequests(1));
    EXPECT_EQ(panel.FrequencyText() + " " + panel.AzimuthText(), "14100 10");
}

TEST_F(HostLinkUnderWine, PanelFollowsTheHost) {
    ASSERT_TRUE(host.Start()) << host.Error();
    for (const char* line : {"set Khz 14074.00", "set Az 275", "set Command CQ"}) {
        ASSERT_TRUE(host.Command(line)) << host.Error();
    }

    auto hostLink = StartUpNow();

    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(requests, kAllRequests);
    EXPECT_EQ(panel.FrequencyText() + " " + panel.AzimuthText() + " " + panel.CommandText(),
              "14074.00 275 CQ");

    // ROTATE with the beam off changes the command text and nothing else.
    ASSERT_TRUE(Publish(LinkedField::Command, "set Command ROTATE")) << host.Error();
    EXPECT_EQ(panel.CommandText(), "ROTATE");
    EXPECT_EQ(Ticks(panel) + " " + panel.BearingText(), "0000 0");

    // With both auto flags on, a new frequency moves the indicators and the bearing.
    panel.SetAutoSwitch(1);
    panel.SetAutoRotate(1);
    ASSERT_TRUE(Publish(LinkedField::Frequency, "set Khz 21000")) << host.Error();
    EXPECT_EQ(panel.FrequencyText(), "21000");
    EXPECT_EQ(Ticks(panel) + " " + panel.BearingText(), "0010 275");

    // An operator's edit of a linked box stands until the host's next value.
    panel.SetAzimuthText("99");
    ASSERT_TRUE(Publish(LinkedField::Azimuth, "set Az 301")) << host.Error();
    EXPECT_EQ(panel.AzimuthText() + " " + panel.BearingText(), "301 301");
}

TEST_F(HostLinkUnderWine, SwitchStandingAtStartSetsTheIndicatorsDuringStartUp) {
    ASSERT_TRUE(host.Start()) << host.Error();
    for (const char* line : {"set Khz 3600", "set Az 80", "set Command SWITCH"}) {
        ASSERT_TRUE(host.Command(line)) << host.Error();
    }

    auto hostLink = StartUpNow();

    // Checked before any message is pumped: the switch ran inside start-up.
    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(Ticks(panel), "0100");
}

TEST_F(HostLinkUnderWine, RefusalAtTheSecondOrThirdLinkFailsStartUp) {
    const struct {
        const char *refuse, *accept;
        std::size_t requestsMade;
    } cases[]{{"refuse-item Az", "accept-item Az", 5},
              {"refuse-topic CAT", "accept-topic CAT", 7},
              {"refuse-item Command", "accept-item Command", 8}};
    ASSERT_TRUE(host.Start()) << host.Error();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refuse);
        requests.clear();
        failures = 0;
        ASSERT_TRUE(host.Command(c.refuse)) << host.Error();

        EXPECT_EQ(StartUpNow(), nullptr);
        EXPECT_EQ(failures, 1);
        EXPECT_EQ(requests, FirstRequests(c.requestsMade));
        ASSERT_TRUE(host.Command(c.accept)) << host.Error();
    }
}

TEST_F(HostLinkUnderWine, HungHostFailsStartUpAfterTheTimeout) {
    ASSERT_TRUE(host.Start()) << host.Error();
    ASSERT_TRUE(host.Command("hang")) << host.Error();
    const auto start = Clock::now();

    auto hostLink = StartUpNow();

    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(hostLink, nullptr);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(requests, FirstRequests(2));
    // Not a speed target: only that start-up waited for the host and then gave up.
    EXPECT_GE(elapsed, kHostAnswerTimeout);
    EXPECT_LT(elapsed, kHostAnswerTimeout + kPatience);
}

TEST_F(HostLinkUnderWine, HostStoppingMidRunLeavesTheLastTexts) {
    for (const std::string how : {"quit", "kill", "freeze"}) {
        SCOPED_TRACE(how);
        ASSERT_TRUE(host.Start()) << host.Error();
        auto hostLink = StartUpNow();
        ASSERT_NE(hostLink, nullptr);
        ASSERT_TRUE(Publish(LinkedField::Frequency, "set Khz 7050.00")) << host.Error();
        const std::string azimuth = panel.AzimuthText();

        if (how == "kill") {
            host.Kill();
        } else {
            host.Send(how); // a quitting host may end before it answers
        }
        if (how == "quit") {
            ASSERT_TRUE(host.WaitForExit()) << host.Error();
        }
        PumpPending(); // the end of the conversations, if the host announced it

        EXPECT_EQ(panel.FrequencyText(), "7050.00");
        EXPECT_EQ(panel.AzimuthText(), azimuth);
        // Ending the links must neither crash nor wait long for a host that no longer answers.
        const auto start = Clock::now();
        hostLink.reset();
        EXPECT_LT(Clock::now() - start, kHostAnswerTimeout);
        host.Kill();
    }
}

TEST_F(HostLinkUnderWine, HostileValuesArriveExactly) {
    struct Case {
        const char* name;
        LinkedField field;
        std::string line, expected;
    };
    std::vector<Case> cases{
        {"empty", LinkedField::Azimuth, "set Az", ""},
        {"no NUL", LinkedField::Frequency, "sethex Khz 3134303734", "14074"},
        {"stops at a NUL", LinkedField::Frequency, "sethex Khz 3134 00 3939", "14"},
        {"CR and LF stay", LinkedField::Command, "sethex Command 535749544348 0D0A", "SWITCH\r\n"},
        {"1 MB", LinkedField::Frequency, "fill Khz 1048576 9", std::string(1 << 20, '9')},
    };
    if (GetACP() == 1252) {
        // Euro sign, e acute, y diaeresis in the ANSI code page of Western Windows.
        cases.push_back({"bytes above 0x7F", LinkedField::Command, "sethex Command 80 E9 FF 41",
                         "\xE2\x82\xAC\xC3\xA9\xC3\xBF"
                         "A"});
    } else {
        std::printf("ANSI code page %u: bytes above 0x7F are checked under 1252 only\n", GetACP());
    }

    ASSERT_TRUE(host.Start()) << host.Error();
    auto hostLink = StartUpNow();
    ASSERT_NE(hostLink, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // By the hot link of an open link, and as the current value when a link opens.
        ASSERT_TRUE(Publish(c.field, c.line)) << host.Error();
        EXPECT_EQ(TextOf(panel, c.field), c.expected);
        StationPanel fresh;
        HostLink opening(fresh, MakeDdeConversation);
        ASSERT_TRUE(opening.OpenLink(c.field));
        EXPECT_EQ(TextOf(fresh, c.field), c.expected);
    }
    EXPECT_EQ(Ticks(panel), "0000"); // "SWITCH" and a line break is not the command word
}

// Values the host publishes while start-up waits for another link's answer arrive whole and in
// order, whether they are handled inside that wait or after it.
TEST_F(HostLinkUnderWine, ValuesDuringAnotherLinksOpeningKeepTheirOrder) {
    constexpr std::size_t kBurst = 2000;
    ASSERT_TRUE(host.Start()) << host.Error();
    std::vector<std::string> frequencies;
    bool openingAzimuth = false;
    int duringOpening = 0;
    panel.SetObserver([&](PanelField field) {
        if (field == PanelField::FrequencyText) {
            frequencies.push_back(panel.FrequencyText());
            duringOpening += openingAzimuth;
        }
    });
    HostLink hostLink(panel, MakeDdeConversation);
    ASSERT_TRUE(hostLink.OpenLink(LinkedField::Frequency));
    frequencies.clear();

    // Not waited for: the burst is to arrive while the azimuth link is being opened. The host's
    // answer to it is left unread, so this test sends the host nothing more.
    host.Send("burst Khz " + std::to_string(kBurst) + " 14000.00 0.01",
              std::chrono::milliseconds{0});
    openingAzimuth = true;
    ASSERT_TRUE(hostLink.OpenLink(LinkedField::Azimuth));
    openingAzimuth = false;
    ASSERT_TRUE(PumpUntil([&] { return frequencies.size() >= kBurst; }, DeadlineAfter(kPatience)));

    std::printf("%d of %zu values were handled while the azimuth link was opening\n", duringOpening,
                kBurst);
    ASSERT_EQ(frequencies.size(), kBurst);
    EXPECT_EQ(frequencies.front() + " " + frequencies.back(), "14000.00 14019.99");
    EXPECT_TRUE(std::is_sorted(frequencies.begin(), frequencies.end()));
    EXPECT_EQ(std::adjacent_find(frequencies.begin(), frequencies.end()), frequencies.end());
}

} // namespace
} // namespace veskor
