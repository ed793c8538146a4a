// The in-memory host.
#include "fake_host.h"

#include <algorithm>

namespace veskor::testing {

class FakeConversation final : public HostConversation {
public:
    explicit FakeConversation(FakeHost& host) : host_(host) { ++host_.liveConversations; }
    ~FakeConversation() override {
        if (!item_.empty()) {
            std::erase(host_.hotLinks_[item_], &deliver_);
        }
        --host_.liveConversations;
    }

    bool Connect(std::string_view application, std::string_view topic) override {
        host_.requests.push_back("connect " + std::string(application) + "|" + std::string(topic));
        return host_.running && application == "MixW" &&
               !host_.refusedTopics.contains(std::string(topic));
    }

    bool StartHotLink(std::string_view item, Delivery deliver) override {
        host_.requests.push_back("advise " + std::string(item));
        if (host_.refusedItems.contains(std::string(item)) ||
            !host_.values.contains(std::string(item))) {
            return false;
        }
        item_ = item;
        deliver_ = std::move(deliver);
        host_.hotLinks_[item_].push_back(&deliver_);
        return true;
    }

    CurrentValue FetchCurrentValue(std::string_view item) override {
        host_.requests.push_back("fetch " + std::string(item));
        if (host_.unansweredFetches.contains(std::string(item))) {
            return {CurrentValue::Outcome::Failed, {}};
        }
        const std::optional<std::string>& value = host_.values.at(std::string(item));
        if (!value) {
            return {CurrentValue::Outcome::NotHeld, {}};
        }
        return {CurrentValue::Outcome::Held, *value};
    }

private:
    FakeHost& host_;
    std::string item_;
    Delivery deliver_;
};

ConversationFactory FakeHost::Factory() {
    return [this] { return std::make_unique<FakeConversation>(*this); };
}

void FakeHost::Publish(const std::string& item, const std::string& text) {
    values[item] = text;
    // A copy: a delivery may not change the list, but the host should not rely on that.
    const auto subscribers = hotLinks_[item];
    for (HostConversation::Delivery* deliver : subscribers) {
        (*deliver)(text);
    }
}

} // namespace veskor::testing
