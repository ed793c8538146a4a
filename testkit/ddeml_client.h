// A DDEML client in this process, of the test's own host or of any other: it connects, runs a
// transaction and counts the values its hot links are given, and nothing more.
#pragma once

#include "ddeml_string.h"

#include <windows.h>

#include <ddeml.h>

namespace veskor::test {

class DdemlClient {
public:
    DdemlClient() { DdeInitializeW(&instance_, &DdemlClient::OnEvent, APPCMD_CLIENTONLY, 0); }
    ~DdemlClient() { DdeUninitialize(instance_); }
    DdemlClient(const DdemlClient&) = delete;
    DdemlClient& operator=(const DdemlClient&) = delete;

    HCONV Connect(const wchar_t* application, const wchar_t* topic) {
        const StringHandle service(instance_, application), subject(instance_, topic);
        return DdeConnect(instance_, service.get(), subject.get(), nullptr);
    }
    // Whether the host accepted the hot link or answered the request on the item, in CF_TEXT.
    bool Transact(HCONV conversation, UINT type, const wchar_t* item) {
        const StringHandle name(instance_, item);
        const HDDEDATA result = DdeClientTransaction(nullptr, 0, conversation, name.get(), CF_TEXT,
                                                     type, 5000, nullptr);
        if (result != nullptr && type == XTYP_REQUEST) {
            DdeFreeDataHandle(result);
        }
        return result != nullptr;
    }
    // The values with data the hot links of every such client in this process were given.
    static inline int values = 0;

private:
    static HDDEDATA CALLBACK OnEvent(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                     ULONG_PTR) {
        if (type == XTYP_ADVDATA) {
            values += data != nullptr ? 1 : 0;
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
        }
        return nullptr;
    }
    DWORD instance_ = 0;
};

} // namespace veskor::test
