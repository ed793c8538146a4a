// The seam between the start-up logic and DDE: one conversation with the host carrying one hot
// link. The Windows build provides the DDEML conversation; tests provide fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace veskor {

// What asking the host for an item's value gave.
struct CurrentValue {
    enum class Outcome {
        Held,       // the host answered with a value: text
        NotHeld,    // the host answered that it has no value yet
        Unreadable, // the host answered with a value that could not be read or held
        Failed,     // no answer in time, or the conversation is gone
    };
    Outcome outcome = Outcome::Failed;
    std::string text;
};

class HostConversation {
public:
    // Receives one value of the hot-linked item, as UTF-8 text. A value that cannot be read or
    // held is not delivered.
    using Delivery = std::function<void(std::string text)>;

    virtual ~HostConversation() = default; // ends the conversation

    // Starts the conversation with the application on the topic. false when nobody answers.
    virtual bool Connect(std::string_view application, std::string_view topic) = 0;

    // Asks the host to push every new value of the item. Each one reaches `deliver` from the
    // thread's event loop, also while this conversation or another one waits for the host.
    // false when the host refuses the item or does not answer in time.
    virtual bool StartHotLink(std::string_view item, Delivery deliver) = 0;

    // Asks the host for the item's value now; waits a bounded time for the answer.
    virtual CurrentValue FetchCurrentValue(std::string_view item) = 0;
};

// Makes a new, unconnected conversation for each link.
using ConversationFactory = std::function<std::unique_ptr<HostConversation>()>;

} // namespace veskor
