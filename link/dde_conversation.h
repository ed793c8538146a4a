// The DDEML side of the host link: conversations with the host through the Windows DDE client.
#pragma once

#include "host_conversation.h"

#include <chrono>
#include <memory>

namespace veskor {

// How long starting a hot link or asking for a value waits for the host. A host that accepts the
// conversation but never answers makes the link fail after this time instead of hanging start-up.
inline constexpr std::chrono::milliseconds kHostAnswerTimeout{5000};

// A conversation with a client-only DDEML instance of its own: a second conversation on the same
// application and topic within one instance is refused by some DDEML implementations (Wine).
// Must be used, and destroyed, on the thread whose event loop delivers its values.
std::unique_ptr<HostConversation> MakeDdeConversation();

} // namespace veskor
