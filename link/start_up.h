// The start-up sequence: opens the three host links in order and runs the auto actions once.
#pragma once

#include "host_conversation.h"

#include <functional>
#include <memory>

namespace veskor {

class StationPanel;
class HostLink;

// Returns the open host link, which the caller keeps for the rest of the run. When a link cannot
// be opened it shows the start-up message, ends the links already opened, then ends the process:
// it does not return.
std::unique_ptr<HostLink> StartUp(StationPanel& panel);

// The same sequence over the given conversations. When a link cannot be opened it calls
// `onFailure` once, with the links already opened still held, and opens nothing more; should
// `onFailure` return, the links are ended and the result is empty.
std::unique_ptr<HostLink> StartUp(StationPanel& panel, ConversationFactory makeConversation,
                                  const std::function<void()>& onFailure);

} // namespace veskor
