// A host in memory for the start-up tests: it answers conversations like the real host would,
// can refuse or fail any step, and records every request it is sent.
#pragma once

#include "host_conversation.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veskor::testing {

class FakeHost {
public:
    bool running = true;
    std::set<std::string> refusedTopics;     // "QSO", "CAT"
    std::set<std::string> refusedItems;      // hot link refused
    std::set<std::string> unansweredFetches; // the value request times out
    std::map<std::string, std::optional<std::string>> values{
        {"Khz", "7050.00"}, {"Az", "123"}, {"Command", ""}};

    // Every request in the order received: "connect MixW|QSO", "advise Khz", "fetch Khz".
    std::vector<std::string> requests;
    int liveConversations = 0;

    ConversationFactory Factory();

    // A new value of an item, pushed to every hot link on it.
    void Publish(const std::string& item, const std::string& text);

private:
    friend class FakeConversation;
    std::map<std::string, std::vector<HostConversation::Delivery*>> hotLinks_;
};

} // namespace veskor::testing
