// What the stand-in host serves: its topics and items, their current values and what it refuses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veskor {

struct HostTopic {
    std::string name;
    bool refused = false; // further connects on this topic fail
};

struct HostItem {
    std::string topic;
    std::string name;
    std::string value;      // the bytes served, in the system ANSI code page
    bool terminated = true; // served with a terminating NUL (hostile values are not)
    bool refused = false;   // further advise and request transactions on it fail
};

// The host's application name, topics and items, with realistic starting values.
class HostState {
public:
    HostState();

    static constexpr std::string_view kService = "MixW";

    std::vector<HostTopic>& Topics() { return topics_; }
    std::vector<HostItem>& Items() { return items_; }

    // DDE names compare without regard to case, so these lookups do too. Null when unknown.
    HostTopic* FindTopic(std::string_view name);
    HostItem* FindItem(std::string_view name);
    HostItem* FindItem(std::string_view topic, std::string_view name);

    // After `hang` the host accepts conversations but answers no transaction.
    bool hanging = false;

private:
    std::vector<HostTopic> topics_;
    std::vector<HostItem> items_;
};

bool SameDdeName(std::string_view a, std::string_view b);

} // namespace veskor
