// The start-up sequence over any kind of conversation.
#include "start_up.h"

#include "host_link.h"
#include "station_panel.h"

#include <utility>

namespace veskor {

std::unique_ptr<HostLink> StartUp(StationPanel& panel, ConversationFactory makeConversation,
                                  const std::function<void()>& onFailure) {
    auto hostLink = std::make_unique<HostLink>(panel, std::move(makeConversation));
    // The table lists the links in start-up order: frequency, azimuth, command. Each link's
    // current value runs its trigger before the next link opens.
    for (const LinkedFieldLink& link : kLinkedFields) {
        if (!hostLink->OpenLink(link.field)) {
            onFailure();
            return nullptr;
        }
    }
    panel.RunAutoActions();
    return hostLink;
}

} // namespace veskor
