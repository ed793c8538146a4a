// The start-up sequence: opens the three host links in order and runs the auto actions once.
#pragma once

#include <memory>

namespace veskor {

class StationPanel;
class HostLink;

// Returns the open host link, which the caller keeps for the rest of the run. When a link cannot
// be opened it shows the start-up message and ends the process: it does not return.
std::unique_ptr<HostLink> StartUp(StationPanel& panel);

} // namespace veskor
