// The running stand-in host seen by a DDE client in this process: its values, hot links,
// hostile data, refusals, a host that stops answering, and its end.
#include "dde_test_client.h"
#include "standin_process.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace veskor::test {
namespace {

using namespace std::string_literals;
using std::chrono::milliseconds;

std::string WithNul(std::string text) {
    text.push_back('\0');
    return text;
}

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Start()) << host.Error(); }
    void TearDown() override {
        if (host.Running() && host.Command("quit")) {
            DWORD status = 1;
            EXPECT_TRUE(host.WaitForExit(kPatience, &status)) << host.Error();
            EXPECT_EQ(status, 0u);
        }
    }

    // Sends the line and waits until the conversation has received one more hot-link value.
    void CommandAndReceive(const std::string& line, DdeTestConversation& link) {
        std::size_t before = link.Received().size();
        ASSERT_TRUE(host.Command(line)) << host.Error();
        ASSERT_TRUE(
            PumpUntil([&] { return link.Received().size() > before; }, DeadlineAfter(kPatience)));
    }

    StandinProcess host;
};

TEST_F(StandinTest, RequestsGetTheStartingValues) {
    struct Case {
        const wchar_t* topic;
        const wchar_t* item;
        UINT format;
        std::string value;
    };
    const Case cases[] = {
        {L"QSO", L"Khz", CF_TEXT, WithNul("14074.00")},
        {L"QSO", L"Az", CF_TEXT, WithNul("275")},
        {L"CAT", L"Command", CF_TEXT, WithNul("")},
        {L"QSO", L"Az", CF_UNICODETEXT,
         "2\0"s
         "7\0"s
         "5\0"s
         "\0\0"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.item << " format " << c.format);
        DdeTestConversation conversation;
        ASSERT_TRUE(conversation.Connect(c.topic)) << conversation.ErrorText();
        EXPECT_EQ(conversation.Request(c.item, c.format), c.value) << conversation.ErrorText();
    }
}

TEST_F(StandinTest, HotLinksDeliverEveryChangeToTheirOwnItem) {
    DdeTestConversation khz, command;
    ASSERT_TRUE(khz.Connect(L"QSO")) << khz.ErrorText();
    ASSERT_TRUE(command.Connect(L"CAT")) << command.ErrorText();
    ASSERT_TRUE(khz.StartHotLink(L"Khz")) << khz.ErrorText();
    ASSERT_TRUE(command.StartHotLink(L"Command")) << command.ErrorText();

    struct Case {
        DdeTestConversation* link;
        std::string line;
        std::string delivered;
    };
    const Case cases[] = {
        {&khz, "set Khz 7050.00", WithNul("7050.00")},
        {&command, "set Command SWITCH", WithNul("SWITCH")},
        {&command, "set Command  ROTATE ", WithNul(" ROTATE ")},
        {&command, "set Command ", WithNul("")},
        {&khz, "fill Khz 5 9", WithNul("99999")},
        {&khz, "sethex Khz 0d0a80ff", "\r\n\x80\xff"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CommandAndReceive(c.line, *c.link);
        EXPECT_EQ(c.link->Received().back(), c.delivered);
    }
    // Nothing strayed to the other item's link.
    EXPECT_EQ(khz.Received().size(), 3u);
    EXPECT_EQ(command.Received().size(), 3u);
}

TEST_F(StandinTest, ValuesAreServedByteForByte) {
    struct Case {
        std::string line;
        std::string served;
    };
    const Case cases[] = {
        {"sethex Az 410d0a80ff", "A\r\n\x80\xff"}, // no NUL at the end
        {"sethex Az 3900", "9\0"s},
        {"fill Az 1048576 7", WithNul(std::string(1048576, '7'))},
        {"set Az " + std::string(300000, 'y'), WithNul(std::string(300000, 'y'))},
        {"set Az 90", WithNul("90")},
    };
    DdeTestConversation qso;
    ASSERT_TRUE(qso.Connect(L"QSO")) << qso.ErrorText();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        ASSERT_TRUE(host.Command(c.line)) << host.Error();
        std::optional<std::string> served = qso.Request(L"Az");
        ASSERT_TRUE(served) << qso.ErrorText();
        EXPECT_EQ(served->size(), c.served.size());
        EXPECT_TRUE(*served == c.served);
    }
}

TEST_F(StandinTest, RefusalsFailTheClientUntilAcceptedAgain) {
    DdeTestConversation qso, earlyLink;
    ASSERT_TRUE(qso.Connect(L"QSO")) << qso.ErrorText();
    ASSERT_TRUE(earlyLink.Connect(L"QSO")) << earlyLink.ErrorText();
    ASSERT_TRUE(earlyLink.StartHotLink(L"Az")) << earlyLink.ErrorText();

    DdeTestConversation fresh;
    struct Case {
        const char* refuse;
        const char* accept;
        std::function<bool()> attempt;
        UINT error;
    };
    const Case cases[] = {
        {"refuse-topic QSO", "accept-topic QSO", [&] { return fresh.Connect(L"QSO"); },
         DMLERR_NO_CONV_ESTABLISHED},
        {"refuse-topic CAT", "accept-topic CAT", [&] { return fresh.Connect(L"CAT"); },
         DMLERR_NO_CONV_ESTABLISHED},
        {"refuse-item Az", "accept-item Az", [&] { return qso.Request(L"Az").has_value(); },
         DMLERR_NOTPROCESSED},
        {"refuse-item Khz", "accept-item Khz", [&] { return qso.StartHotLink(L"Khz"); },
         DMLERR_NOTPROCESSED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refuse);
        ASSERT_TRUE(host.Command(c.refuse)) << host.Error();
        EXPECT_FALSE(c.attempt());
        EXPECT_EQ(qso.LastError() == c.error || fresh.LastError() == c.error, true)
            << qso.ErrorText() << " / " << fresh.ErrorText();
        ASSERT_TRUE(host.Command(c.accept)) << host.Error();
        EXPECT_TRUE(c.attempt()) << qso.ErrorText() << " / " << fresh.ErrorText();
    }

    // A refusal stops new links and requests; a hot link made before it keeps its updates.
    ASSERT_TRUE(host.Command("refuse-item Az")) << host.Error();
    CommandAndReceive("set Az 90", earlyLink);
    EXPECT_EQ(earlyLink.Received().back(), WithNul("90"));
}

TEST_F(StandinTest, AHangingHostAcceptsConversationsButLetsTransactionsTimeOut) {
    DdeTestConversation before;
    ASSERT_TRUE(before.Connect(L"QSO")) << before.ErrorText();
    ASSERT_TRUE(host.Command("hang")) << host.Error();

    DdeTestConversation after;
    ASSERT_TRUE(after.Connect(L"CAT")) << after.ErrorText();
    EXPECT_FALSE(after.Request(L"Command", CF_TEXT, 500));
    EXPECT_EQ(after.LastError(), static_cast<UINT>(DMLERR_DATAACKTIMEOUT)) << after.ErrorText();
    EXPECT_FALSE(before.StartHotLink(L"Khz", CF_TEXT, 500));
    EXPECT_EQ(before.LastError(), static_cast<UINT>(DMLERR_ADVACKTIMEOUT)) << before.ErrorText();
    // Its script still works: TearDown's quit ends it.
}

TEST_F(StandinTest, BurstPublishesEveryValueInOrder) {
    DdeTestConversation khz;
    ASSERT_TRUE(khz.Connect(L"QSO")) << khz.ErrorText();
    ASSERT_TRUE(khz.StartHotLink(L"Khz")) << khz.ErrorText();
    ASSERT_TRUE(host.Command("burst Khz 200 14000.00 0.01")) << host.Error();
    ASSERT_TRUE(PumpUntil([&] { return khz.Received().size() >= 200; }, DeadlineAfter(kPatience)))
        << khz.Received().size() << " values arrived";

    std::vector<std::string> expected;
    for (int hundredths = 0; hundredths < 200; ++hundredths) {
        std::string cents = std::to_string(hundredths % 100);
        expected.push_back(WithNul(std::to_string(14000 + hundredths / 100) + "." +
                                   (cents.size() < 2 ? "0" : "") + cents));
    }
    EXPECT_EQ(khz.Received(), expected);
    EXPECT_EQ(khz.Request(L"Khz"), WithNul("14001.99"));
}

// The stand-in's edit boxes, in order (Khz, Az, Command), found through its process id.
std::vector<HWND> StandinBoxes(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND window = nullptr;
    } search{processId};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner == search->processId && std::wstring(name) == L"VeskorStandinHost") {
                search->window = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> boxes;
    for (HWND box = nullptr;
         search.window && (box = FindWindowExW(search.window, box, L"Edit", nullptr));) {
        boxes.push_back(box);
    }
    return boxes;
}

std::wstring BoxText(HWND box) {
    wchar_t text[256] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(box, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &length);
    return text;
}

TEST_F(StandinTest, TheWindowShowsScriptedValuesAndPublishesEdits) {
    std::vector<HWND> boxes = StandinBoxes(host.ProcessId());
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(BoxText(boxes[0]), L"14074.00");
    ASSERT_TRUE(host.Command("set Az 123")) << host.Error();
    EXPECT_EQ(BoxText(boxes[1]), L"123");

    // Text put into a box (as typing does) is published at once, and only to its item.
    DdeTestConversation khz, command;
    ASSERT_TRUE(khz.Connect(L"QSO")) << khz.ErrorText();
    ASSERT_TRUE(command.Connect(L"CAT")) << command.ErrorText();
    ASSERT_TRUE(khz.StartHotLink(L"Khz")) << khz.ErrorText();
    ASSERT_TRUE(command.StartHotLink(L"Command")) << command.ErrorText();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(boxes[2], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"SWITCH"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_TRUE(PumpUntil([&] { return !command.Received().empty(); }, DeadlineAfter(kPatience)));
    EXPECT_EQ(command.Received(), std::vector<std::string>{WithNul("SWITCH")});
    EXPECT_EQ(command.Request(L"Command"), WithNul("SWITCH"));
    EXPECT_TRUE(khz.Received().empty());
}

TEST_F(StandinTest, EveryScriptLineGetsOneAnswer) {
    struct Case {
        std::string line;
        std::string answer; // the beginning of the expected answer
    };
    const Case cases[] = {
        {"", "ok"},
        {"# a comment", "ok"},
        {"bogus", "error "},
        {"set Nope 1", "error unknown item"},
        {"refuse-topic Nope", "error unknown topic"},
        {"sethex Khz 0", "error "},
        {"bogus\x01\x7f\xff", "error "},
        {"set khz 7074.00", "ok"}, // DDE names do not depend on case
        {"set Khz " + std::string(2 << 20, '1'), "ok"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        std::string answer = host.Send(c.line);
        EXPECT_EQ(answer.substr(0, c.answer.size()), c.answer) << host.Error();
        EXPECT_EQ(answer.find_first_of("\r\n"), std::string::npos);
    }
}

TEST(StandinLifetime, QuitAndTheEndOfInputEndTheProgramWithStatusZero) {
    for (bool byQuit : {true, false}) {
        SCOPED_TRACE(byQuit ? "quit" : "end of input");
        StandinProcess host;
        ASSERT_TRUE(host.Start()) << host.Error();
        if (byQuit) {
            EXPECT_TRUE(host.Command("quit")) << host.Error();
        } else {
            host.CloseInput();
        }
        DWORD status = 1;
        ASSERT_TRUE(host.WaitForExit(kPatience, &status)) << host.Error();
        EXPECT_EQ(status, 0u);
        // Its service is gone with it.
        DdeTestConversation qso;
        EXPECT_FALSE(qso.Connect(L"QSO"));
    }
}

TEST(StandinLifetime, AFrozenHostAnswersNothingMoreAndCanBeKilled) {
    StandinProcess host;
    ASSERT_TRUE(host.Start()) << host.Error();
    ASSERT_TRUE(host.Command("freeze")) << host.Error();
    EXPECT_EQ(host.Send("set Khz 1", milliseconds(500)), "");
    EXPECT_TRUE(host.Running());
    host.Kill();
    EXPECT_FALSE(host.Running());
}

} // namespace
} // namespace veskor::test
