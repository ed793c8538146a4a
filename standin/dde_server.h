// The stand-in host's DDE server: serves the HostState's items to DDEML clients, by request and
// by hot link, in CF_TEXT (and CF_UNICODETEXT).
#pragma once

#include "host_state.h"

#include <windows.h>

#include <ddeml.h>

#include <string>
#include <vector>

namespace veskor {

// One per process (the DDEML callback has no context pointer). Every call, and every callback,
// happens on the thread that called Start: DDEML is bound to the thread that initialised it.
class DdeServer {
public:
    explicit DdeServer(HostState& state);
    ~DdeServer();
    DdeServer(const DdeServer&) = delete;
    DdeServer& operator=(const DdeServer&) = delete;

    // Initialises DDEML and registers the service name. On failure says why.
    bool Start(std::string& why);
    // Sends the item's current value to every hot link on it.
    void Publish(const HostItem& item);
    // Ends every conversation and unregisters.
    void Stop();

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1,
                                      HSZ hsz2, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
    HDDEDATA Handle(UINT type, UINT format, HSZ hsz1, HSZ hsz2);
    HDDEDATA WildConnect(HSZ topic, HSZ service);
    HDDEDATA MakeData(const HostItem& item, UINT format, HSZ itemHandle);
    HostTopic* FindTopic(HSZ topic);
    HostItem* FindItem(HSZ topic, HSZ item);

    HostState& state_;
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    std::vector<HSZ> topicHandles_; // parallel to state_.Topics()
    std::vector<HSZ> itemHandles_;  // parallel to state_.Items()
    static DdeServer* active_;
};

} // namespace veskor
