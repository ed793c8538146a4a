// The host link: the program's hot links to the host, each one writing one panel text.
#pragma once

#include "host_conversation.h"
#include "linked_field.h"

#include <memory>
#include <vector>

namespace veskor {

class StationPanel;

// Holds one conversation per opened link until it is destroyed. The panel must outlive it.
class HostLink {
public:
    HostLink(StationPanel& panel, ConversationFactory makeConversation);
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    // Opens the field's hot link. On success the item's current value, when the host holds one,
    // has been written to the panel (its trigger included) before this returns, and every later
    // value is written as it arrives. On failure nothing of the link is kept.
    bool OpenLink(LinkedField field);

private:
    StationPanel& panel_;
    ConversationFactory makeConversation_;
    std::vector<std::unique_ptr<HostConversation>> conversations_;
};

} // namespace veskor
