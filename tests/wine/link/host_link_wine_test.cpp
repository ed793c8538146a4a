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

using test::DeadlineAfter;
using test::kPatience;
using test::PumpPending;
using test::PumpUntil;
using test::StandinProcess;
using Clock = std::chrono::steady_clock;

constexpr std::array kAntennas{AntennaKind::DipoleNS, AntennaKind::DipoleEW, AntennaKind::Beam,
                               AntennaKind::LongWire};

// Passes everything on to a real DDE conversation and notes each request, so that a test sees
// which steps start-up took and where it stopped.
class RecordingConversation final : public HostConversation {
public:
    explicit RecordingConversation(std::vector<std::string>& requests)
        : requests_(requests), real_(MakeDdeConversation()) {}

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
    std::unique_ptr<HostConversation> real_;
};

const std::vector<std::string> kAllRequests{"connect MixW|QSO", "advise Khz",     "fetch Khz",
                                            "connect MixW|QSO", "advise Az",      "fetch Az",
                                            "connect MixW|CAT", "advise Command", "fetch Command"};

std::vector<std::string> FirstRequests(std::size_t count) {
    return {kAllRequests.begin(), kAllRequests.begin() + static_cast<std::ptrdiff_t>(count)};
}

class HostLinkUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        panel.SetObserver([this](PanelField field) { ++writes[static_cast<std::size_t>(field)]; });
    }

    ConversationFactory Recording() {
        return [this] { return std::make_unique<RecordingConversation>(requests); };
    }

    std::unique_ptr<HostLink> StartUpNow() {
        return StartUp(panel, Recording(), [this] { ++failures; });
    }

    int Writes(PanelField field) const { return writes[static_cast<std::size_t>(field)]; }

    // Pumps until the field has been written more often than `before` times.
    bool AwaitWrite(PanelField field, int before) {
        return PumpUntil([&] { return Writes(field) > before; }, DeadlineAfter(kPatience));
    }

    // Has the host publish a value and waits until it has reached the panel.
    bool Publish(PanelField field, const std::string& line) {
        const int before = Writes(field);
        return host.Command(line) && AwaitWrite(field, before);
    }

    std::array<int, 4> Ticks() const {
        std::array<int, 4> ticks{};
        for (AntennaKind kind : kAntennas) {
            ticks[static_cast<std::size_t>(kind)] = panel.Indicator(kind);
        }
        return ticks;
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
    EXPECT_EQ(panel.FrequencyText(), "14100");
    EXPECT_EQ(panel.AzimuthText(), "10");
}

TEST_F(HostLinkUnderWine, PanelFollowsTheHost) {
    ASSERT_TRUE(host.Start()) << host.Error();
    ASSERT_TRUE(host.Command("set Khz 14074.00")) << host.Error();
    ASSERT_TRUE(host.Command("set Az 275")) << host.Error();
    ASSERT_TRUE(host.Command("set Command CQ")) << host.Error();

    auto hostLink = StartUpNow();

    ASSERT_NE(hostLink, nullptr);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(requests, kAllRequests);
    EXPECT_EQ(panel.FrequencyText(), "14074.00");
    EXPECT_EQ(panel.AzimuthText(), "275");
    EXPECT_EQ(panel.CommandText(), "CQ");

    // ROTATE with the beam off changes the command text and nothing else.
    ASSERT_TRUE(Publish(PanelField::CommandText, "set Command ROTATE")) << host.Error();
    EXPECT_EQ(panel.CommandText(), "ROTATE");
    EXPECT_EQ(Ticks(), (std::array<int, 4>{}));
    EXPECT_EQ(panel.BearingText(), "0");

    // With both auto flags on, a new frequency moves the indicators and the bearing.
    panel.SetAutoSwitch(1);
    panel.SetAutoRotate(1);
    ASSERT_TRUE(Publish(PanelField::FrequencyText, "set Khz 21000")) << host.Error();
    EXPECT_EQ(panel.FrequencyText(), "21000");
    EXPECT_EQ(panel.Indicator(AntennaKind::Beam), 1);
    EXPECT_EQ(panel.BearingText(), "275");

    // An operator's edit of a linked box stands until the host's next value.
    panel.SetAzimuthText("99");
    ASSERT_TRUE(Publish(PanelField::AzimuthText, "set Az 301")) << host.Error();
    EXPECT_EQ(panel.AzimuthText(), "301");
    EXPECT_EQ(panel.BearingText(), "301");
}

TEST_F(HostLinkUnderWine, SwitchStandingAtStartSetsTheIndicatorsDuringStartUp) {
    ASSERT_TRUE(host.Start()) << host.Error();
    for (const char* line : {"set Khz 3600", "set Az 80", "set Command SWITCH"}) {
        ASSERT_TRUE(host.Command(line)) << host.Error();
    }

    auto hostLink = StartUpNow();

    // Checked before any message is pumped: the switch ran inside start-up.
    ASSERT_NE(hostLink, nullptr);
    for (AntennaKind kind : kAntennas) {
        EXPECT_EQ(panel.Indicator(kind), kind == AntennaKind::DipoleEW ? 1 : 0);
    }
}

TEST_F(HostLinkUnderWine, RefusalAtTheSecondOrThirdLinkFailsStartUp) {
    struct Case {
        const char* refuse;
        const char* accept;
        std::size_t requestsMade;
    };
    const std::vector<Case> cases{
        {"refuse-item Az", "accept-item Az", 5},
        {"refuse-topic CAT", "accept-topic CAT", 7},
        {"refuse-item Command", "accept-item Command", 8},
    };
    ASSERT_TRUE(host.Start()) << host.Error();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refuse);
        requests.clear();
        failures = 0;
        ASSERT_TRUE(host.Command(c.refuse)) << host.Error();

        auto hostLink = StartUpNow();

        EXPECT_EQ(hostLink, nullptr);
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
    struct Case {
        const char* name;
        const char* line; // what the host is told, or nothing for killing it
    };
    const std::vector<Case> cases{{"quits", "quit"}, {"killed", nullptr}, {"freezes", "freeze"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(host.Start()) << host.Error();
        auto hostLink = StartUpNow();
        ASSERT_NE(hostLink, nullptr);
        ASSERT_TRUE(Publish(PanelField::FrequencyText, "set Khz 7050.00")) << host.Error();
        const std::string azimuth = panel.AzimuthText();

        if (c.line == nullptr) {
            host.Kill();
        } else {
            host.Send(c.line); // a quitting host may end before it answers
        }
        if (c.line != nullptr && std::string(c.line) == "quit") {
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
    using Text = const std::string& (StationPanel::*)() const;
    struct Case {
        const char* name;
        LinkedField field;
        PanelField written;
        Text text;
        std::string line;
        std::string expected;
    };
    constexpr auto kKhz = LinkedField::Frequency;
    constexpr auto kAz = LinkedField::Azimuth;
    constexpr auto kCommand = LinkedField::Command;
    const Text khz = &StationPanel::FrequencyText;
    const Text az = &StationPanel::AzimuthText;
    const Text command = &StationPanel::CommandText;
    std::vector<Case> cases{
        {"empty", kAz, PanelField::AzimuthText, az, "set Az", ""},
        {"no NUL", kKhz, PanelField::FrequencyText, khz, "sethex Khz 3134303734", "14074"},
        {"stops at a NUL", kKhz, PanelField::FrequencyText, khz, "sethex Khz 3134 00 3939", "14"},
        {"CR and LF stay", kCommand, PanelField::CommandText, command,
         "sethex Command 535749544348 0D0A", "SWITCH\r\n"},
        {"1 MB", kKhz, PanelField::FrequencyText, khz, "fill Khz 1048576 9",
         std::string(1 << 20, '9')},
    };
    if (GetACP() == 1252) {
        // Euro sign, e acute, y diaeresis in the ANSI code page of Western Windows.
        cases.push_back({"bytes above 0x7F", kCommand, PanelField::CommandText, command,
                         "sethex Command 80 E9 FF 41",
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

        // By the hot link of an open link.
        ASSERT_TRUE(Publish(c.written, c.line)) << host.Error();
        EXPECT_EQ((panel.*c.text)(), c.expected);

        // As the current value when a link opens.
        StationPanel fresh;
        HostLink opening(fresh, MakeDdeConversation);
        ASSERT_TRUE(opening.OpenLink(c.field));
        EXPECT_EQ((fresh.*c.text)(), c.expected);
    }
    // "SWITCH" followed by a line break is not the command word.
    EXPECT_EQ(Ticks(), (std::array<int, 4>{}));
}

// Values the host publishes while start-up waits for another link's answer arrive whole and in
// order, whether they are handled inside that wait or after it.
TEST_F(HostLinkUnderWine, ValuesDuringAnotherLinksOpeningKeepTheirOrder) {
    constexpr int kBurst = 2000;
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

    // Not waited for: the burst is to arrive while the azimuth link is being opened. The
    // host's answer to it is left unread, so this test sends the host nothing more.
    host.Send("burst Khz " + std::to_string(kBurst) + " 14000.00 0.01",
              std::chrono::milliseconds{0});
    openingAzimuth = true;
    ASSERT_TRUE(hostLink.OpenLink(LinkedField::Azimuth));
    openingAzimuth = false;
    ASSERT_TRUE(PumpUntil([&] { return frequencies.size() >= kBurst; }, DeadlineAfter(kPatience)));

    std::printf("%d of %d values were handled while the azimuth link was opening\n", duringOpening,
                kBurst);
    ASSERT_EQ(frequencies.size(), static_cast<std::size_t>(kBurst));
    EXPECT_EQ(frequencies.front(), "14000.00");
    EXPECT_EQ(frequencies.back(), "14019.99");
    EXPECT_TRUE(std::is_sorted(frequencies.begin(), frequencies.end()));
    EXPECT_EQ(std::adjacent_find(frequencies.begin(), frequencies.end()), frequencies.end());
}

// A figure, not a target: how long one start-up takes to open its three links.
TEST_F(HostLinkUnderWine, StartUpLinkSequenceTime) {
    constexpr int kRuns = 7;
    ASSERT_TRUE(host.Start()) << host.Error();
    std::vector<double> milliseconds;
    for (int run = 0; run < kRuns; ++run) {
        StationPanel fresh;
        const auto start = Clock::now();
        auto hostLink = StartUp(fresh, MakeDdeConversation, [] { FAIL() << "start-up failed"; });
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        ASSERT_NE(hostLink, nullptr);
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("start-up link sequence (3 links) under this system: median %.1f ms, "
                "fastest %.1f ms, slowest %.1f ms over %d runs\n",
                milliseconds[kRuns / 2], milliseconds.front(), milliseconds.back(), kRuns);
    RecordProperty("StartUpLinksMedianMs", std::to_string(milliseconds[kRuns / 2]));
}

} // namespace
} // namespace veskor
