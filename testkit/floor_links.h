// The three host links a floor program opens as veskor.exe does: one DDEML instance each, a hot
// link and then a request for the current value, which is read and let go. Header-only, so that
// each floor program (the bare receiver here, the bench's floors of start-up) is one file and
// links nothing else but what it shows.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <iterator>

namespace veskor::test {

using FloorInstances = DWORD[3];

// false when a link could not be opened.
inline bool OpenFloorLinks(PFNCALLBACK callback, FloorInstances& instances) {
    struct Link {
        const wchar_t* topic;
        const wchar_t* item;
    };
    constexpr Link kLinks[] = {{L"QSO", L"Khz"}, {L"QSO", L"Az"}, {L"CAT", L"Command"}};
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    for (std::size_t index = 0; index < std::size(kLinks); ++index) {
        DWORD& instance = instances[index];
        if (DdeInitializeW(&instance, callback, flags, 0) != DMLERR_NO_ERROR) {
            return false;
        }
        HSZ service = DdeCreateStringHandleW(instance, L"MixW", CP_WINUNICODE);
        HSZ topic = DdeCreateStringHandleW(instance, kLinks[index].topic, CP_WINUNICODE);
        HSZ item = DdeCreateStringHandleW(instance, kLinks[index].item, CP_WINUNICODE);
        HCONV conversation = DdeConnect(instance, service, topic, nullptr);
        HDDEDATA current = nullptr;
        if (!conversation ||
            !DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_ADVSTART, 5000,
                                  nullptr) ||
            !(current = DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                             5000, nullptr))) {
            return false;
        }
        char value[64];
        DdeGetData(current, reinterpret_cast<BYTE*>(value), sizeof value, 0);
        DdeFreeDataHandle(current);
    }
    return true;
}

} // namespace veskor::test
