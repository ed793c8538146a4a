// The stand-in host's topics and items with their starting values.
#include "host_state.h"

namespace veskor {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool SameDdeName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

HostState::HostState()
    : topics_{{"QSO"}, {"CAT"}},
      // A station working FT8 on 20 m, pointed at the west.
      items_{{"QSO", "Khz", "14074.00"}, {"QSO", "Az", "275"}, {"CAT", "Command", ""}} {}

HostTopic* HostState::FindTopic(std::string_view name) {
    for (auto& topic : topics_) {
        if (SameDdeName(topic.name, name)) {
            return &topic;
        }
    }
    return nullptr;
}

HostItem* HostState::FindItem(std::string_view name) {
    for (auto& item : items_) {
        if (SameDdeName(item.name, name)) {
            return &item;
        }
    }
    return nullptr;
}

HostItem* HostState::FindItem(std::string_view topic, std::string_view name) {
    HostItem* item = FindItem(name);
    return item && SameDdeName(item->topic, topic) ? item : nullptr;
}

} // namespace veskor
