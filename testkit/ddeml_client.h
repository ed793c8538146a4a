// A DDEML client in this process, of the test's own host or of any other: it connects, runs a
// transaction and counts the values and notices its hot links are given, and nothing more.
#pragma once

#include "ddeml_string.h"

#include <windows.h>

#include <ddeml.h>

#include <string_view>

namespace veskor::test {

class DdemlClient {
public:
    DdemlClient() { DdeInitializeW(&instance_, &DdemlClient::OnEvent, APPCMD_CLIENTONLY, 0); }
    ~DdemlClient() { DdeUninitialize(instance_); }
    DdemlClient(const DdemlClient&) = delete;
    DdemlClient& operator=(const DdemlClient&) = delete;

    // A null name is a wildcard.
    HCONV Connect(const wchar_t* application, const wchar_t* topic) {
        const StringHandle service(instance_, application), subject(instance_, topic);
        return DdeConnect(instance_, service.get(), subject.get(), nullptr);
    }
    // Whether the host accepted the transaction on the item, in the format. Wine's DDEML answers
    // a poke with TRUE even when refused: there the acknowledgement's status tells.
    bool Transact(HCONV conversation, UINT type, const wchar_t* item, UINT format = CF_TEXT,
                  std::string_view data = {}) {
        const StringHandle name(instance_, item);
        auto* bytes = reinterpret_cast<BYTE*>(const_cast<char*>(data.data()));
        DWORD status = DDE_FACK;
        const HDDEDATA result =
            DdeClientTransaction(data.empty() ? nullptr : bytes, static_cast<DWORD>(data.size()),
                                 conversation, name.get(), format, type, 5000, &status);
        if (result != nullptr && type == XTYP_REQUEST) {
            DdeFreeDataHandle(result);
        }
        const bool answered = type != XTYP_POKE && type != XTYP_EXECUTE;
        return result != nullptr && (answered || (status & DDE_FACK) != 0);
    }
    // What the hot links of every such client in this process were given: values with data,
    // and notices without.
    static inline int values = 0, notices = 0;

private:
    static HDDEDATA CALLBACK OnEvent(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                     ULONG_PTR) {
        if (type == XTYP_ADVDATA) {
            ++(data != nullptr ? values : notices);
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
        }
        return nullptr;
    }
    DWORD instance_ = 0;
};

} // namespace veskor::test
