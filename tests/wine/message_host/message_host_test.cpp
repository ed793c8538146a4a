// veskor.exe against hosts that speak the DDE messages themselves, each with the manners of one
// kind of real server, from one table: the values standing at start-up, the autos, the command
// words and the host closing, with every value only ever in its own item's box and shown whole;
// a full-speed burst and a 1 MiB value on a link that waits for each acknowledgement; a start-up
// that the host refuses; a host busy while Veskor closes, and one that never answers its end.
// Then a long session: values one at a time past the 65,536 memory handles a process holds under
// Wine. Every row's host checks Veskor's own manners on the way.
#include "burst.h"
#include "dde_conversation.h"
#include "message_host.h"
#include "program.h"
#include "used_host_repair.h"
#include "window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace veskor::test {
namespace {

using Id = ControlId;

// How a row's host treats Veskor: it serves each value to its link, or it is careless beyond
// repair (values it spoils may be lost, but none may show in another box), or it handles nothing
// for a while as Veskor closes, or it handles everything but never answers Veskor's end.
enum class Kind { Serves, Careless, BusyAsVeskorCloses, SilentAsVeskorCloses };

struct Variant {
    const char* name;
    HostManners manners;
    Kind kind = Kind::Serves;
};
// clang-format off
const Variant kVariants[] = {
    {"Careful",                   {}},
    {"AcknowledgesEachValue",     {.ackEveryValue = true}},
    {"PushesInsteadOfAnswering",  {.refuseRequests = true}},
    {"RefusesTheCommandItem",     {.refusedItem = L"Command"}},
    {"PostsToOtherItemsLinks",    {.postToOtherItemsLinks = true}},
    {"EndsValuesWithCrLf",        {.suffix = "\r\n"}},
    {"ServesNoNul",               {.ending = Ending::None}},
    {"ServesBytesPastTheNul",     {.ending = Ending::NulAndMore}},
    {"AlsoOffersUnicodeText",     {.alsoUnicode = true}},
    {"ReleasesItsItemAtomsEarly", {.releasesItemAtoms = true, .ddemlWindows = true}},
    {"KeepsAcknowledgedValues",   {.ackEveryValue = true, .keepsValues = true}},
    {"PostsItemsBeyondTheThree",  {.keepsValues = true, .postsItemsBeyondTheThree = true}},
    {"PostsValuesWithoutItem",    {.postsValuesWithoutItem = true}},
    {"PostsFromAStranger",        {.ackEveryValue = true, .postsFromAStranger = true}},
    {"PostsStrayAnswers",         {.ackEveryValue = true, .keepsValues = true,
                                   .postsStrayAnswers = true}},
    {"PostsBeforeAnswering",      {.keepsValues = true, .postsBeforeAnswering = true}},
    {"ReleasesAtomsAndPostsOtherItems", {.postToOtherItemsLinks = true, .releasesItemAtoms = true,
                                         .postsItemsBeyondTheThree = true}, Kind::Careless},
    {"BusyAsVeskorCloses",        {}, Kind::BusyAsVeskorCloses},
    {"NeverAnswersVeskorsEnd",    {.ignoresTheEnd = true}, Kind::SilentAsVeskorCloses},
};
// clang-format on

void PrintTo(const Variant& variant, std::ostream* out) {
    *out << variant.name;
}

std::wstring Wide(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

class HostVariants : public testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Started());
        host_.Publish(HostItem::Frequency, "14074.00");
        host_.Publish(HostItem::Azimuth, "275");
        host_.Publish(HostItem::Command, "SWITCH");
    }
    void TearDown() override { EXPECT_EQ(host_.MannersFaults(), std::vector<std::string>{}); }
    // The text a value shows as: whole, with what the host puts after it.
    std::wstring Shown(std::string_view value) const {
        return Wide(value) + Wide(GetParam().manners.suffix);
    }
    // A command word acts only when it arrives alone.
    bool WordsAct() const { return GetParam().manners.suffix.empty(); }
    void Publish(HostItem item, const char* value) { host_.Publish(item, value); }
    // Waits until the four boxes show these texts and these boxes are ticked.
    void Expect(std::string_view khz, std::string_view az, std::string_view command,
                std::wstring bearing, int ticks) {
        const std::wstring texts[] = {Shown(khz), Shown(az), Shown(command), bearing};
        const Id boxes[] = {Id::TextKhz, Id::TextAz, Id::TextCommand, Id::TextBearing};
        const auto shows = [&] {
            const auto text = [&](Id box) { return window_.Text(box); };
            return std::ranges::equal(boxes, texts, {}, text) && window_.Ticks() == ticks;
        };
        EXPECT_TRUE(Wait(shows)) << "shows " << window_.Utf8(Id::TextKhz) << " | "
                                 << window_.Utf8(Id::TextAz) << " | "
                                 << window_.Utf8(Id::TextCommand) << " | "
                                 << window_.Utf8(Id::TextBearing) << ", ticks " << window_.Ticks();
    }
    void RunScenario();
    void RunCarelessScenario();
    void CloseWhileTheHostIsBusy();
    void RunRefusedStartUp();

    MessageHost host_{GetParam().manners};
    Program veskor_;
    AppWindow window_;
};

// Values at start-up, the autos, the command words, then the host ends its conversations.
void HostVariants::RunScenario() {
    ASSERT_TRUE(window_ = StartVeskor(veskor_));
    const int beam = WordsAct() ? Beam : 0;
    Expect("14074.00", "275", "SWITCH", L"0", beam);
    ASSERT_TRUE(window_.Click(Id::CheckAutoSwitch) && window_.Click(Id::CheckAutoRotate));
    Publish(HostItem::Frequency, "3600"); // 80 m, facing 275: the east/west dipole
    Expect("3600", "275", "SWITCH", L"0", EW | AS | AR);
    Publish(HostItem::Azimuth, "10");
    Expect("3600", "10", "SWITCH", L"0", NS | AS | AR);
    Publish(HostItem::Frequency, "21200"); // the beam, and the azimuth copied whole
    Expect("21200", "10", "SWITCH", Shown("10"), Beam | AS | AR);
    ASSERT_TRUE(window_.Click(Id::CheckAutoSwitch) && window_.Click(Id::CheckAutoRotate));
    Publish(HostItem::Azimuth, "123");
    Publish(HostItem::Command, "ROTATE");
    const std::wstring rotated = WordsAct() ? Shown("123") : Shown("10");
    Expect("21200", "123", "ROTATE", rotated, Beam);
    Publish(HostItem::Frequency, "7050");
    Publish(HostItem::Command, "SWITCH");
    Expect("7050", "123", "SWITCH", rotated, WordsAct() ? LW : Beam);

    if (GetParam().kind == Kind::BusyAsVeskorCloses ||
        GetParam().kind == Kind::SilentAsVeskorCloses) {
        CloseWhileTheHostIsBusy();
        return;
    }
    EXPECT_TRUE(host_.Close(DeadlineAfter(kPatience))) << "Veskor did not answer the host's end";
    EXPECT_EQ(host_.Conversations(), 0u);
    Expect("7050", "123", "SWITCH", rotated, WordsAct() ? LW : Beam);
    ASSERT_TRUE(window_.Type(Id::TextKhz, L"14100") && window_.Click(Id::CommandSwitch));
    EXPECT_TRUE(Wait([&] { return window_.Ticks() == Beam; }));
    EXPECT_EQ(veskor_.VisibleWindows().size(), 1u) << "something was reported";
    EXPECT_EQ(veskor_.CloseAndWait(window_.Main(), DeadlineAfter(kPatience)), 0);
}

// Each box shows one of its own item's values, never another's, once the host's end has shown
// that Veskor has handled every value posted before it.
void HostVariants::RunCarelessScenario() {
    ASSERT_TRUE(window_ = StartVeskor(veskor_));
    Expect("14074.00", "275", "SWITCH", L"0", Beam);
    Publish(HostItem::Frequency, "3600");
    Publish(HostItem::Azimuth, "10");
    Publish(HostItem::Command, "ROTATE");
    EXPECT_TRUE(host_.Close(DeadlineAfter(kPatience))) << "Veskor did not answer the host's end";
    const std::pair<Id, std::vector<std::string>> boxes[] = {
        {Id::TextKhz, {"14074.00", "3600"}},
        {Id::TextAz, {"275", "10"}},
        {Id::TextCommand, {"SWITCH", "ROTATE"}},
    };
    for (const auto& [box, values] : boxes) {
        EXPECT_TRUE(std::ranges::find(values, window_.Utf8(box)) != values.end())
            << "shows " << window_.Utf8(box);
    }
    EXPECT_EQ(veskor_.CloseAndWait(window_.Main(), DeadlineAfter(kPatience)), 0);
}

// The host handles nothing while Veskor closes, or handles everything but never answers Veskor's
// end (Veskor waits up to half a second for each of its three conversations), then runs again:
// every conversation has been ended. Six seconds: Wine 8 also holds the hiding of the main window
// up to 2 s where no window manager runs (as here), and waiting as DDEML does for the host's
// answers would cost 10 s a conversation.
void HostVariants::CloseWhileTheHostIsBusy() {
    const double closed = NowMs();
    PostMessageW(window_.Main(), WM_CLOSE, 0, 0);
    const auto budget = std::chrono::milliseconds(6000) * TimeScale();
    const bool ended =
        GetParam().kind == Kind::BusyAsVeskorCloses
            ? WaitForSingleObject(veskor_.Handle(), static_cast<DWORD>(budget.count())) ==
                  WAIT_OBJECT_0
            : PumpUntilSignalled(veskor_.Handle(), Clock::now() + budget);
    EXPECT_TRUE(ended) << "Veskor did not end in time as the host closed";
    std::printf("[ close ] Veskor ended %.0f ms after it was closed\n", NowMs() - closed);
    EXPECT_TRUE(Wait([&] { return host_.Conversations() == 0; }, DeadlineAfter(kPatience)))
        << host_.Conversations() << " conversations left open in the host";
    EXPECT_EQ(veskor_.WaitForExit(DeadlineAfter(kPatience)), 0);
}

// Only the start-up message, ending Veskor with status 1, and no conversation left in the host.
void HostVariants::RunRefusedStartUp() {
    StartUpMessage message(veskor_);
    ASSERT_TRUE(message.Await(DeadlineAfter(kPatience)));
    EXPECT_EQ(message.Texts(), (std::vector<std::wstring>{
                                   L"MixW 2 is not loaded! The program will now exit.", L"OK"}));
    EXPECT_EQ(message.Dismiss(/*byButton=*/true, DeadlineAfter(kPatience)), 1);
    EXPECT_FALSE(message.MainWindowShown());
    // Veskor has gone: whatever it ended has reached the host by now, or never will.
    EXPECT_TRUE(
        Wait([&] { return host_.Conversations() == 0; }, DeadlineAfter(std::chrono::seconds(3))))
        << host_.Conversations() << " conversations left open in the host";
}

TEST_P(HostVariants, VeskorShowsEachValueWholeInItsOwnBoxOnly) {
    if (GetParam().manners.refusedItem != nullptr) {
        RunRefusedStartUp();
    } else if (GetParam().kind == Kind::Careless) {
        RunCarelessScenario();
    } else {
        RunScenario();
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, HostVariants, testing::ValuesIn(kVariants),
                         [](const auto& info) { return std::string(info.param.name); });

// A host that waits for each acknowledgement and sends only the newest value after it: a burst
// of 10,000 values as fast as they can be posted ends with the last one shown, then a 1 MiB value
// (letters: Wine's edit control lays out long runs of digits slowly) shows whole.
TEST(FlowControlledHost, FullSpeedBurstEndsOnTheLastValueThenAMegabyteValueShowsWhole) {
    MessageHost host({.ackEveryValue = true});
    host.Publish(HostItem::Azimuth, "123");
    Program veskor;
    AppWindow window;
    ASSERT_TRUE(window = StartVeskor(veskor));
    ASSERT_TRUE(window.Click(Id::CheckAutoSwitch) && window.Click(Id::CheckAutoRotate));
    PublishFrequencyBurst(host);
    EXPECT_TRUE(Wait([&] {
        return window.ShowsShortText(Id::TextKhz, "28397.34") &&
               window.ShowsShortText(Id::TextBearing, "123") && window.Ticks() == (Beam | AS | AR);
    })) << "shows "
        << window.Utf8(Id::TextKhz) << ", ticks " << window.Ticks();
    std::string megabyte = "abcdefghij";
    while (megabyte.size() < (1u << 20)) {
        megabyte += megabyte;
    }
    megabyte.resize(1u << 20);
    if (!MegabyteValuesReachVeskor()) {
        EXPECT_EQ(veskor.CloseAndWait(window.Main(), DeadlineAfter(kPatience)), 0);
        GTEST_SKIP() << kNoMegabyteValues;
    }
    host.Publish(HostItem::Azimuth, megabyte.c_str());
    const std::wstring whole = Wide(megabyte);
    EXPECT_TRUE(Wait([&] { return window.Text(Id::TextBearing) == whole; },
                     DeadlineAfter(std::chrono::minutes(2))))
        << "the bearing shows " << window.Utf8(Id::TextBearing).substr(0, 40);
    EXPECT_EQ(window.Text(Id::TextAz), whole);
    EXPECT_TRUE(window.ShowsShortText(Id::TextKhz, "28397.34"));
    EXPECT_EQ(veskor.CloseAndWait(window.Main(), DeadlineAfter(kPatience)), 0);
    EXPECT_EQ(host.MannersFaults(), std::vector<std::string>{});
}

// In this process, on a host that gives up its item atoms as soon as it has posted a value, as
// Wine's DDEML host does once a client has vanished: two clients of the item, the first with its
// hot link started twice, each take every value once, in order; once the first has ended, the
// item's atom still has a reference for the second, which goes on taking every value.
TEST(UsedHostRepair, TwoClientsOfAUsedHostTakeEveryValueOnceAlsoAfterOneHasEnded) {
    MessageHost host({.releasesItemAtoms = true, .ddemlWindows = true});
    ASSERT_TRUE(host.Started());
    auto first = MakeDdeConversation();
    const auto second = MakeDdeConversation();
    std::vector<std::string> published, seenFirst, seenSecond;
    ASSERT_TRUE(first->Connect("MixW", "QSO") && second->Connect("MixW", "QSO"));
    for (int start = 0; start < 2; ++start) {
        ASSERT_TRUE(first->StartHotLink(
            "Khz", [&](std::string text) { seenFirst.push_back(std::move(text)); }));
    }
    ASSERT_TRUE(second->StartHotLink(
        "Khz", [&](std::string text) { seenSecond.push_back(std::move(text)); }));
    for (int i = 0; i < 400; ++i) {
        if (i == 200) {
            EXPECT_TRUE(Wait([&] { return seenFirst.size() >= published.size(); }));
            EXPECT_EQ(seenFirst, published);
            first.reset();
            EXPECT_GE(UsedHostRepair::ReferencesTo(L"Khz"), 1) << "the first took the second's";
        }
        published.push_back(std::to_string(14000 + i));
        host.Publish(HostItem::Frequency, published.back());
        PumpPending();
    }
    EXPECT_TRUE(Wait([&] { return seenSecond.size() >= published.size(); }));
    EXPECT_EQ(seenSecond, published);
}

// The long session: values one at a time, as many as a station's host sends in a long day,
// beyond the 65,536 memory handles a process holds under Wine. Veskor shows the last one and
// follows the host after it on every link.
constexpr int kLongSessionValues = 70000;
static_assert(kLongSessionValues % 1000 == 0, "Veskor is watched at every thousandth value");

struct LongSessionRow {
    const char* name;
    bool ddemlHost; // Wine's DDEML as the host (the tests' DdeHost), not the message host
    HostManners manners;
    bool everywhere; // under every Wine and both bitnesses; otherwise 64-bit Wine 8 alone
};
// clang-format off
const LongSessionRow kLongSessions[] = {
    // fAckReq=1, fRelease=0: the host frees each value at its acknowledgement.
    {"AcknowledgedEach", false, {.ackEveryValue = true, .keepsValues = true}, false},
    // fAckReq=0, fRelease=0, as Wine's DdePostAdvise sends: freed right after posting.
    {"PostedAndFreed", false, {.keepsValues = true}, true},
    // The same with "Mode" or "Call" posted after each value on its link: as many dropped.
    {"ItemsBeyondTheThree", false, {.keepsValues = true, .postsItemsBeyondTheThree = true}, false},
    // The same with a "Mode" marked as an answer nobody asked for after each value, on each link.
    {"StrayAnswers", false, {.keepsValues = true, .postsStrayAnswers = true}, true},
    // Wine's DDEML host, which keeps a copy of each value it posts: past its own limit it posts
    // values without data, and Veskor keeps its texts and its window answers.
    {"DdemlHost", true, {}, false},
};
// clang-format on

void PrintTo(const LongSessionRow& row, std::ostream* out) {
    *out << row.name;
}

class LongSession : public testing::TestWithParam<LongSessionRow> {
protected:
    void Publish(HostItem item, const std::string& text) {
        ddemlHost_ ? ddemlHost_->Publish(item, text) : messageHost_->Publish(item, text);
    }
    // A host that asks for acknowledgements gets each one before the next value. false when
    // Veskor gave none.
    bool AwaitAcknowledgements() {
        return !GetParam().manners.ackEveryValue ||
               Wait([&] { return !messageHost_->AwaitsAck(GetProcessId(veskor_.Handle())); });
    }

    std::optional<DdeHost> ddemlHost_;
    std::optional<MessageHost> messageHost_;
    Program veskor_;
    AppWindow window_;
};

TEST_P(LongSession, VeskorFollowsTheHostPastTheProcesssMemoryHandles) {
    const LongSessionRow& row = GetParam();
    if (!row.everywhere && (sizeof(void*) != 8 || WineMajorVersion() != 8)) {
        GTEST_SKIP() << "this row runs under the 64-bit Wine 8 alone";
    }
    row.ddemlHost ? (void)ddemlHost_.emplace() : (void)messageHost_.emplace(row.manners);
    const double started = NowMs();
    ASSERT_TRUE(window_ = StartVeskor(veskor_));
    int shown = 0; // the last value seen in the box, at every thousandth
    std::size_t afterThousand = 0;
    for (int value = 1; value <= kLongSessionValues; ++value) {
        const std::string text = std::to_string(value);
        Publish(HostItem::Frequency, text);
        if (!AwaitAcknowledgements()) {
            ADD_FAILURE() << "Veskor did not acknowledge value " << value;
            break;
        }
        if (value % 1000 != 0) {
            continue;
        }
        // Waited for while Veskor follows; past a Wine host's limit it no longer can.
        const bool following = shown + 1000 == value;
        if (following && Wait([&] { return window_.ShowsShortText(Id::TextKhz, text); })) {
            shown = value;
        }
        if (value == 1000) {
            afterThousand = veskor_.Memory().workingSet;
        }
        if (shown != value && !row.ddemlHost) {
            break; // deaf: the rest would only wait
        }
    }
    const std::size_t afterLast = veskor_.Memory().workingSet;
    const std::string last = window_.Utf8(Id::TextKhz);
    std::printf("[ long session ] %s: Veskor shows value %s of %d (every thousandth shown up to "
                "%d); its working set %.1f MiB after 1,000 values, %.1f MiB after the last; "
                "%.0f s\n",
                row.name, last.c_str(), kLongSessionValues, shown, afterThousand / 1048576.0,
                afterLast / 1048576.0, (NowMs() - started) / 1000);
    if (row.ddemlHost) {
        // Past the host's limit: the texts kept, the window answering, Veskor running.
        EXPECT_GE(std::atoi(last.c_str()), shown);
        EXPECT_TRUE(veskor_.Running());
        EXPECT_TRUE(window_.Click(Id::CheckAutoSwitch) && window_.Ticked(Id::CheckAutoSwitch));
        EXPECT_EQ(veskor_.CloseAndWait(window_.Main(), DeadlineAfter(kPatience)), 0);
        return;
    }
    EXPECT_EQ(shown, kLongSessionValues);
    Publish(HostItem::Frequency, "14074.00");
    Publish(HostItem::Azimuth, "123");
    Publish(HostItem::Command, "ROTATE");
    EXPECT_TRUE(Wait([&] {
        return window_.ShowsShortText(Id::TextKhz, "14074.00") &&
               window_.ShowsShortText(Id::TextAz, "123") &&
               window_.ShowsShortText(Id::TextCommand, "ROTATE");
    })) << "shows "
        << window_.Utf8(Id::TextKhz) << " | " << window_.Utf8(Id::TextAz) << " | "
        << window_.Utf8(Id::TextCommand);
    EXPECT_EQ(veskor_.CloseAndWait(window_.Main(), DeadlineAfter(kPatience)), 0);
    EXPECT_EQ(messageHost_->MannersFaults(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Rows, LongSession, testing::ValuesIn(kLongSessions),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace veskor::test
