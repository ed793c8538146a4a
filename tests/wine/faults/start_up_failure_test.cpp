// A start-up that fails part-way, seen from the host: veskor.exe started with this process as the
// host MixW, which accepts the links before the one it refuses.
#include "dde_conversation.h"
#include "dde_host.h"
#include "program.h"
#include "window.h"

#include <gtest/gtest.h>

namespace veskor::test {
namespace {

// While the start-up message shows, the host holds the links opened before the refused one (that
// one is ended at once), and the main window never shows. Once the operator has answered the
// message and Veskor has ended, with status 1, the host holds none: a conversation left with a
// program that has gone costs the host's other clients their values under Wine.
TEST(StartUpFailure, EndsEveryLinkItOpenedBeforeTheProcessEnds) {
    const struct {
        const wchar_t* refused;
        int openWhileShown;
    } rows[] = {{L"Az", 1}, {L"CAT", 2}, {L"Command", 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.refused << " refused");
        DdeHost host;
        ASSERT_TRUE(host.Started()) << host.Failure();
        host.Refuse(row.refused);
        Program veskor;
        StartUpMessage message(veskor);
        ASSERT_TRUE(message.Await(DeadlineAfter(kHostAnswerTimeout + kPatience)));
        EXPECT_TRUE(Wait([&] { return host.Conversations() == row.openWhileShown; }))
            << host.Conversations() << " conversations while the message shows";
        EXPECT_EQ(message.Dismiss(/*byButton=*/true, DeadlineAfter(kPatience)), 1);
        EXPECT_FALSE(message.MainWindowShown()) << "the window showed before start-up failed";
        EXPECT_TRUE(Wait([&] { return host.Conversations() == 0; }))
            << host.Conversations() << " conversations left open after Veskor ended";
    }
}

} // namespace
} // namespace veskor::test
