// veskor.exe against hosts that speak the DDE messages themselves, each with the manners of one
// kind of real server, from one table: the values standing at start-up, the autos, the command
// words and the host closing, with every value only ever in its own item's box and shown whole;
// a full-speed burst and a 1 MiB value on a link that waits for each acknowledgement; a start-up
// that the host refuses; a host busy while Veskor closes. Then a long session: values one at a time
// past the 65,536 memory handles a process holds under Wine, beside the bare DDEML client.
#include "burst.h"
#include "dde_conversation.h"
#include "ddeml_client.h"
#include "message_host.h"
#include "program.h"
#include "receiver.h"
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
// for a while as Veskor closes.
enum class Kind { Serves, Careless, BusyAsVeskorCloses };

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
    {"ReleasesAtomsAndPostsOtherItems", {.postToOtherItemsLinks = true, .releasesItemAtoms = true,
                                         .postsItemsBeyondTheThree = true}, Kind::Careless},
    {"BusyAsVeskorCloses",        {}, Kind::BusyAsVeskorCloses},
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
            for (int i = 0; i < 4; ++i) {
                if (window_.Text(boxes[i]) != texts[i]) {
                    return false;
                }
            }
            return window_.Ticks() == ticks;
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

    if (GetParam().kind == Kind::BusyAsVeskorCloses) {
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

// The host handles nothing while Veskor closes (Veskor waits up to half a second for each of its
// three conversations), then runs again: every conversation has been ended. Six seconds: Wine 8
// also holds the hiding of the main window up to 2 s where no window manager runs (as here), and
// waiting for the host's answers would cost 10 s a conversation.
void HostVariants::CloseWhileTheHostIsBusy() {
    PostMessageW(window_.Main(), WM_CLOSE, 0, 0);
    const auto busy = std::chrono::milliseconds(6000) * TimeScale();
    EXPECT_EQ(WaitForSingleObject(veskor_.Handle(), static_cast<DWORD>(busy.count())),
              WAIT_OBJECT_0)
        << "Veskor did not end while the host was busy";
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
}

// In this process, on a host that gives up its item atoms as soon as it has posted a value, as
// Wine's DDEML host does once a client has vanished: a conversation whose hot link was started
// twice takes every value once, in order.
TEST(UsedHostRepair, AHotLinkStartedTwiceTakesEveryValueOfAUsedHostOnce) {
    MessageHost host({.releasesItemAtoms = true, .ddemlWindows = true});
    ASSERT_TRUE(host.Started());
    const auto conversation = MakeDdeConversation();
    std::vector<std::string> published, seen;
    const auto deliver = [&](std::string text) { seen.push_back(std::move(text)); };
    ASSERT_TRUE(conversation->Connect("MixW", "QSO"));
    ASSERT_TRUE(conversation->StartHotLink("Khz", deliver));
    ASSERT_TRUE(conversation->StartHotLink("Khz", deliver));
    for (int i = 0; i < 200; ++i) {
        published.push_back(std::to_string(14000 + i));
        host.Publish(HostItem::Frequency, published.back());
        PumpPending();
    }
    EXPECT_TRUE(Wait([&] { return seen.size() >= published.size(); }));
    EXPECT_EQ(seen, published);
}

// The host itself, seen by DDEML: a wildcard initiate gets a conversation on each topic, requests
// are answered in CF_TEXT only, executes, pokes and an advise in another format are refused, a
// warm link gets notices without data until it is stopped, the client's end ends its
// conversations in the host, and the host's end the rest.
TEST(MessageHostItself, AnswersAsTheProtocolAsks) {
    MessageHost host;
    host.Publish(HostItem::Frequency, "14074.00");
    std::optional<DdemlClient> wild(std::in_place), client(std::in_place);
    ASSERT_NE(wild->Connect(nullptr, nullptr), nullptr);
    EXPECT_EQ(host.Conversations(), 2u);
    const HCONV qso = client->Connect(L"MixW", L"QSO");
    ASSERT_NE(qso, nullptr);
    EXPECT_EQ(client->Connect(L"MixW", L"Log"), nullptr);
    EXPECT_TRUE(client->Transact(qso, XTYP_REQUEST, L"Khz"));
    EXPECT_FALSE(client->Transact(qso, XTYP_REQUEST, L"Khz", CF_UNICODETEXT));
    EXPECT_FALSE(client->Transact(qso, XTYP_REQUEST, L"Command"));
    EXPECT_FALSE(client->Transact(qso, XTYP_POKE, L"Khz", CF_TEXT, std::string_view("7050", 5)));
    EXPECT_FALSE(client->Transact(qso, XTYP_EXECUTE, nullptr, 0, std::string_view("[Quit]", 7)));
    EXPECT_EQ(host.Refused(), 2);
    EXPECT_FALSE(client->Transact(qso, XTYP_ADVSTART, L"Khz", CF_UNICODETEXT));
    ASSERT_TRUE(client->Transact(qso, XTYP_ADVSTART | XTYPF_NODATA, L"Khz"));
    host.Publish(HostItem::Frequency, "7050");
    EXPECT_TRUE(Wait([] { return DdemlClient::notices == 1; }));
    ASSERT_TRUE(client->Transact(qso, XTYP_ADVSTOP, L"Khz"));
    EXPECT_FALSE(client->Transact(qso, XTYP_ADVSTOP, L"Az")); // no such link
    EXPECT_EQ(host.UnmatchedUnadvises(), 1);
    host.Publish(HostItem::Frequency, "3600");
    ASSERT_TRUE(client->Transact(qso, XTYP_REQUEST, L"Khz")); // after any value in flight
    EXPECT_EQ(std::tuple(DdemlClient::values, DdemlClient::notices), std::tuple(0, 1));
    client.reset();
    EXPECT_TRUE(Wait([&] { return host.Conversations() == 2; })) << host.Conversations();
    // Wine's DDEML takes one conversation of a wildcard initiate and leaves the other alone.
    wild.reset();
    EXPECT_TRUE(Wait([&] { return host.Conversations() <= 1; })) << host.Conversations();
    EXPECT_TRUE(host.Close(DeadlineAfter(kPatience)));
    EXPECT_EQ(host.Conversations(), 0u);
}

// The long session: values one at a time, as many as a station's host sends in a long day,
// beyond the 65,536 memory handles a process holds under Wine. Veskor shows the last one and
// follows the host after it on every link; beside it, the bare DDEML client (the leanest client
// of the same links) is told the same values, and what it delivered is printed.
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
    // A host that asks for acknowledgements gets each one before the next value; the bare client
    // is waited for only while it follows. false when Veskor gave none.
    bool AwaitAcknowledgements() {
        if (!GetParam().manners.ackEveryValue) {
            return true;
        }
        if (bareFollows_) {
            bareFollows_ = Wait([&] { return !messageHost_->AwaitsAck(bareProcess_); },
                                DeadlineAfter(kBarePatience));
        }
        return Wait([&] { return !messageHost_->AwaitsAck(GetProcessId(veskor_.Handle())); });
    }
    // The bare client is waited for at every thousandth value while it follows, so that neither
    // client falls behind the host's posts.
    void AwaitBareClient() {
        if (bareFollows_) {
            bareFollows_ = bare_.AwaitReport(DeadlineAfter(kBarePatience));
        }
    }
    static constexpr std::chrono::milliseconds kBarePatience{2000};

    std::optional<DdeHost> ddemlHost_;
    std::optional<MessageHost> messageHost_;
    Program veskor_;
    AppWindow window_;
    BareReceiver bare_;
    DWORD bareProcess_ = 0;
    bool bareFollows_ = true;
};

TEST_P(LongSession, VeskorFollowsTheHostPastTheProcesssMemoryHandles) {
    const LongSessionRow& row = GetParam();
    if (!row.everywhere && (sizeof(void*) != 8 || WineMajorVersion() != 8)) {
        GTEST_SKIP() << "this row runs under the 64-bit Wine 8 alone";
    }
    row.ddemlHost ? (void)ddemlHost_.emplace() : (void)messageHost_.emplace(row.manners);
    const double started = NowMs();
    ASSERT_TRUE(window_ = StartVeskor(veskor_));
    std::vector<std::string> thousandths;
    for (int value = 1000; value <= kLongSessionValues; value += 1000) {
        thousandths.push_back(std::to_string(value));
    }
    ASSERT_TRUE(bare_.Start(thousandths));
    bareProcess_ = GetProcessId(bare_.Process().Handle());
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
        AwaitBareClient();
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
    const int bare = bare_.Quit(DeadlineAfter(kPatience));
    const std::string last = window_.Utf8(Id::TextKhz);
    std::printf("[ long session ] %s: Veskor shows value %s of %d (every thousandth shown up to "
                "%d); the bare DDEML client delivered %d; Veskor's working set %.1f MiB after "
                "1,000 values, %.1f MiB after the last; %.0f s\n",
                row.name, last.c_str(), kLongSessionValues, shown, bare, afterThousand / 1048576.0,
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
}

INSTANTIATE_TEST_SUITE_P(Rows, LongSession, testing::ValuesIn(kLongSessions),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace veskor::test
