// A host in memory for the start-up tests: it answers conversations like the real host would,
// can refuse or fail any step, and records every request it is sent.
#pragma once

#include "host_conversation.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veskor::testing {

struct FakeHost {
    bool running = true;
    std::set<std::string, std::less<>> refusedTopics; // "QSO", "CAT"
    std::set<std::string, std::less<>> refusedItems;  // hot link refused
    std::set<std::string, std::less<>> unansweredFetches;
    std::map<std::string, std::optional<std::string>, std::less<>> values{
        {"Khz", "7050.00"}, {"Az", "123"}, {"Command", ""}};
    // Every request in the order received: "connect MixW|QSO", "advise Khz", "fetch Khz".
    std::vector<std::string> requests;
    int liveConversations = 0;
    std::map<std::string, std::vector<HostConversation::Delivery*>, std::less<>> hotLinks;

    ConversationFactory Factory();

    // A new value of an item, pushed to every hot link on it.
    void Publish(const std::string& item, const std::string& text) {
        values[item] = text;
        for (HostConversation::Delivery* deliver : std::vector(hotLinks[item])) {
            (*deliver)(text); // over a copy: the host should not rely on the list staying put
        }
    }
};

class FakeConversation final : public HostConversation {
public:
    explicit FakeConversation(FakeHost& host) : host_(host) { ++host_.liveConversations; }
    ~FakeConversation() override {
        std::erase(host_.hotLinks[item_], &deliver_);
        --host_.liveConversations;
    }

    bool Connect(std::string_view application, std::string_view topic) override {
        host_.requests.push_back("connect " + std::string(application) + "|" + std::string(topic));
        return host_.running && application == "MixW" && !host_.refusedTopics.contains(topic);
    }
    bool StartHotLink(std::string_view item, Delivery deliver) override {
        host_.requests.push_back("advise " + std::string(item));
        if (host_.refusedItems.contains(item) || !host_.values.contains(item)) {
            return false;
        }
        item_ = item;
        deliver_ = std::move(deliver);
        host_.hotLinks[item_].push_back(&deliver_);
        return true;
    }
    CurrentValue FetchCurrentValue(std::string_view item) override {
        host_.requests.push_back("fetch " + std::string(item));
        if (host_.unansweredFetches.contains(item)) {
            return {CurrentValue::Outcome::Failed, {}};
        }
        const auto& value = host_.values.find(item)->second;
        return value ? CurrentValue{CurrentValue::Outcome::Held, *value}
                     : CurrentValue{CurrentValue::Outcome::NotHeld, {}};
    }

private:
    FakeHost& host_;
    std::string item_;
    Delivery deliver_;
};

inline ConversationFactory FakeHost::Factory() {
    return [this] { return std::make_unique<FakeConversation>(*this); };
}

} // namespace veskor::testing
