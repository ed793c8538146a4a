// The host link: opening a hot link and routing its values to the panel.
#include "host_link.h"

#include "station_panel.h"

#include <exception>
#include <utility>

namespace veskor {

HostLink::HostLink(StationPanel& panel, ConversationFactory makeConversation)
    : panel_(panel), makeConversation_(std::move(makeConversation)) {}

// Ends the conversations in the reverse order of opening.
HostLink::~HostLink() {
    while (!conversations_.empty()) {
        conversations_.pop_back();
    }
}

bool HostLink::OpenLink(LinkedField field) {
    const LinkedFieldLink& link = LinkOf(field);
    std::unique_ptr<HostConversation> conversation = makeConversation_();
    if (!conversation ||
        !conversation->Connect(ApplicationOf(link.linkTopic), TopicOf(link.linkTopic))) {
        return false;
    }

    // A write whose trigger runs out of memory (an action copying a huge value) leaves the panel
    // as far as it got: the value is not lost for that, and the link goes on.
    const HostConversation::Delivery deliver = [&panel = panel_,
                                                field = link.writes](std::string text) {
        try {
            panel.SetText(field, std::move(text));
        } catch (const std::exception&) {
        }
    };

    // The hot link starts before the current value is asked for. A value the host publishes
    // between the two then comes by the hot link as well as in the answer, never by neither;
    // the other way round it would be lost until the host's next change.
    if (!conversation->StartHotLink(link.item, deliver)) {
        return false;
    }
    CurrentValue current = conversation->FetchCurrentValue(link.item);
    if (current.outcome == CurrentValue::Outcome::Failed) {
        return false;
    }
    conversations_.push_back(std::move(conversation));
    // A host that holds no value yet, or one that could not be read, delivers nothing: the panel
    // keeps its text.
    if (current.outcome == CurrentValue::Outcome::Held) {
        deliver(std::move(current.text));
    }
    return true;
}

} // namespace veskor
