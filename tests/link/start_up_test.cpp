// The start-up sequence and the host link's routing, against a host in memory that logs every
// request beside the panel's writes and can refuse any one request.
#include "host_link.h"
#include "start_up.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <new>
#include <string>

namespace veskor {
namespace {

using namespace std::literals;

// Each item's value is its own name, "Khz" for instance, when the host holds values at all.
struct FakeHost {
    std::string refused; // a request such as "fetch Az" that fails
    bool holdsValues = true;
    std::string unreadable{}; // an item whose value the host gives but cannot be read
    std::string journal{};    // "<connect MixW|QSO><advise Khz><fetch Khz>" and the panel's writes
    std::map<std::string, HostConversation::Delivery, std::less<>> hotLinks{};
    int liveConversations = 0;

    bool Request(const std::string& request) {
        journal += "<" + request + ">";
        return request != refused;
    }
};

class FakeConversation final : public HostConversation {
public:
    explicit FakeConversation(FakeHost& host) : host_(host) { ++host_.liveConversations; }
    ~FakeConversation() override {
        host_.hotLinks.erase(item_);
        --host_.liveConversations;
    }
    bool Connect(std::string_view application, std::string_view topic) override {
        return host_.Request("connect " + std::string(application) + "|" + std::string(topic));
    }
    bool StartHotLink(std::string_view item, Delivery deliver) override {
        item_ = item;
        host_.hotLinks[item_] = std::move(deliver);
        return host_.Request("advise " + item_);
    }
    CurrentValue FetchCurrentValue(std::string_view item) override {
        if (!host_.Request("fetch " + std::string(item))) {
            return {CurrentValue::Outcome::Failed, {}};
        }
        if (item == host_.unreadable) {
            return {CurrentValue::Outcome::Unreadable, {}};
        }
        return host_.holdsValues ? CurrentValue{CurrentValue::Outcome::Held, std::string(item)}
                                 : CurrentValue{CurrentValue::Outcome::NotHeld, {}};
    }

private:
    FakeHost& host_;
    std::string item_;
};

// With auto switch on, each write of a linked text logs its letter and text and the switch its
// four indicators ("FKhzIIII"); start-up ends with the auto actions once more.
TEST(StartUp, OpensTheLinksInOrderAndStopsAtTheFirstFailure) {
    const std::string khz = "<connect MixW|QSO><advise Khz><fetch Khz>",
                      az = "<connect MixW|QSO><advise Az><fetch Az>",
                      command = "<connect MixW|CAT><advise Command><fetch Command>";
    const struct {
        std::string refused, journal;
        int openWhenFailing = -1; // -1: start-up succeeds
        bool holdsValues = true;
    } table[]{
        {"", khz + "FKhzIIII" + az + "AAzIIII" + command + "CCommandIIII"},
        {"", khz + az + command + "IIII", -1, false},
        {"connect MixW|QSO", "<connect MixW|QSO>", 0},
        {"fetch Khz", khz, 0},
        {"advise Az", khz + "FKhzIIII<connect MixW|QSO><advise Az>", 1},
        {"connect MixW|CAT", khz + "FKhzIIII" + az + "AAzIIII<connect MixW|CAT>", 2},
        {"advise Command", khz + "FKhzIIII" + az + "AAzIIII<connect MixW|CAT><advise Command>", 2},
        {"fetch Command", khz + "FKhzIIII" + az + "AAzIIII" + command, 2},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.journal);
        FakeHost host{row.refused, row.holdsValues};
        StationPanel panel;
        panel.SetAutoSwitch(1);
        panel.SetObserver([&](PanelField f) {
            host.journal += IsTextField(f) ? "FAC"[std::size_t(f)] + panel.Text(f) : "I";
        });
        int failures = 0, openWhenFailing = -1;

        auto hostLink = StartUp(
            panel, [&] { return std::make_unique<FakeConversation>(host); },
            [&] {
                ++failures;
                openWhenFailing = host.liveConversations;
            });

        EXPECT_EQ(host.journal, row.journal);
        // The failed link is ended at once, those opened before it once start-up gives up.
        EXPECT_EQ(openWhenFailing, row.openWhenFailing);
        EXPECT_EQ(failures + (hostLink != nullptr), 1);
        EXPECT_EQ(host.liveConversations, hostLink ? 3 : 0);
        if (hostLink) {
            // Each later value reaches its own text, with its trigger.
            host.journal.clear();
            for (const char* item : {"Khz", "Az", "Command"}) {
                host.hotLinks.at(item)(item + "2"s);
            }
            EXPECT_EQ(host.journal, "FKhz2IIIIAAz2IIIICCommand2");
            hostLink.reset();
            EXPECT_EQ(host.liveConversations, 0);
        }
    }
}

// A value that cannot be read at start-up leaves its text as it was; a write that runs out of
// memory in the panel, at start-up or later, is left as far as it got. Neither fails start-up nor
// stops a link: two later rounds of values reach every text.
TEST(StartUp, AValueThatCannotBeReadOrHeldStopsNeitherStartUpNorItsLink) {
    const struct {
        std::string unreadable, runsOutOfMemoryOn, afterStartUp;
    } table[]{
        {"Az", "", "Khz|10|Command"},
        {"", "Khz", "Khz|Az|Command"}, // at start-up, stored before the panel runs out
        {"", "Az2", "Khz|Az|Command"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.unreadable + row.runsOutOfMemoryOn);
        FakeHost host;
        host.unreadable = row.unreadable;
        StationPanel panel;
        panel.SetObserver([&](PanelField f) {
            if (!row.runsOutOfMemoryOn.empty() && panel.Text(f) == row.runsOutOfMemoryOn) {
                throw std::bad_alloc();
            }
        });
        const auto texts = [&] {
            return panel.FrequencyText() + "|" + panel.AzimuthText() + "|" + panel.CommandText();
        };

        auto hostLink = StartUp(
            panel, [&] { return std::make_unique<FakeConversation>(host); },
            [] { ADD_FAILURE() << "start-up failed"; });

        ASSERT_TRUE(hostLink);
        EXPECT_EQ(texts(), row.afterStartUp);
        for (const std::string round : {"2", "3"}) {
            for (const char* item : {"Khz", "Az", "Command"}) {
                host.hotLinks.at(item)(item + round);
            }
        }
        EXPECT_EQ(texts(), "Khz3|Az3|Command3");
    }
}

} // namespace
} // namespace veskor
