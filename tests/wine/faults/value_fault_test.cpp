// A value that cannot be read or held, in this process: the host link over real DDE with this
// process as its host, and the main window, while DDEML refuses a value's bytes or memory runs out
// on a huge value. The box keeps its last text, nothing ends, and what comes after arrives. And
// what the used-host repair rests on: how a DDEML client sees Wine's DDEML server.
#include "dde_conversation.h"
#include "dde_host.h"
#include "ddeml_client.h"
#include "host_link.h"
#include "main_window.h"
#include "pump.h"
#include "station_panel.h"
#include "used_host_repair.h"
#include "window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <string>

namespace {

// While not 0, every allocation of at least this many bytes fails, as when memory runs out on a
// huge value; the test's own small allocations go on.
std::size_t failFrom = 0;
int failures = 0; // what the faults below struck

} // namespace

void* operator new(std::size_t size) {
    if (failFrom != 0 && size >= failFrom) {
        ++failures;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace veskor::test {
namespace {

// Huge enough that showing or reading it asks for more than the memory left while it runs out.
constexpr std::size_t kHuge = 512 << 10;

// While in scope, this program's calls of a system function go to another one: a failure of the
// system that no host can bring about. The system's own calls are not turned.
class ImportSwap {
public:
    ImportSwap(const wchar_t* module, const char* function, void* replacement) {
        const auto original =
            reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleW(module), function));
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const auto& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
        for (; dll->Name != 0 && slot_ == nullptr; ++dll) {
            for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + dll->FirstThunk); *slot != 0;
                 ++slot) {
                if (*slot == original) {
                    slot_ = slot;
                    Write(reinterpret_cast<ULONG_PTR>(replacement));
                    break;
                }
            }
        }
        original_ = original;
    }
    ~ImportSwap() {
        if (slot_ != nullptr) {
            Write(original_);
        }
    }
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;

    bool Swapped() const { return slot_ != nullptr; }

private:
    void Write(ULONG_PTR address) {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        *slot_ = address;
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    }

    ULONG_PTR* slot_ = nullptr;
    ULONG_PTR original_ = 0;
};

LPBYTE WINAPI RefuseTheBytes(HDDEDATA, LPDWORD) {
    ++failures;
    return nullptr;
}

enum class Fault { BytesRefused, MemoryRunsOut };

// The fault happens while in scope; Struck() tells how often it did.
class FaultScope {
public:
    explicit FaultScope(Fault fault) {
        failures = 0;
        if (fault == Fault::BytesRefused) {
            swap_.emplace(L"user32.dll", "DdeAccessData", reinterpret_cast<void*>(&RefuseTheBytes));
            EXPECT_TRUE(swap_->Swapped()) << "DdeAccessData is not imported";
        } else {
            failFrom = kHuge / 2;
        }
    }
    ~FaultScope() { failFrom = 0; }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;

    int Struck() const { return failures; }

private:
    std::optional<ImportSwap> swap_;
};

// The host's current value at start-up, or a value its hot link brings later, cannot be read
// (DDEML refuses its bytes) or held (memory runs out on a huge one): the link opens all the same,
// the text stays as it was, and the next value arrives.
TEST(ValueFault, AValueThatCannotBeReadOrHeldKeepsTheTextAndTheLink) {
    for (const Fault fault : {Fault::BytesRefused, Fault::MemoryRunsOut}) {
        for (const bool atStartUp : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << (fault == Fault::BytesRefused ? "bytes refused" : "out of memory")
                         << (atStartUp ? " at start-up" : " on the hot link"));
            std::string struck = fault == Fault::BytesRefused ? "3650.00" : std::string(kHuge, 'a');
            DdeHost host;
            ASSERT_TRUE(host.Started()) << host.Failure();
            StationPanel panel;
            HostLink link(panel, MakeDdeConversation);
            if (atStartUp) {
                host.Publish(HostItem::Frequency, struck);
                const FaultScope faulty(fault);
                EXPECT_TRUE(link.OpenLink(LinkedField::Frequency));
                EXPECT_GT(faulty.Struck(), 0);
                EXPECT_EQ(panel.FrequencyText(), "14100");
            } else {
                host.Publish(HostItem::Frequency, "7050.00");
                ASSERT_TRUE(link.OpenLink(LinkedField::Frequency));
                const FaultScope faulty(fault);
                host.PublishBytes(HostItem::Frequency, std::move(struck));
                EXPECT_TRUE(Wait([&] { return faulty.Struck() > 0; }));
                EXPECT_EQ(panel.FrequencyText(), "7050.00");
            }
            host.Publish(HostItem::Frequency, "14074.00");
            EXPECT_TRUE(Wait([&] { return panel.FrequencyText() == "14074.00"; }))
                << "the link is lost";
        }
    }
}

// The window while memory runs out on a huge text. Shown, its box keeps the last text it showed
// and the window goes on showing other changes; the text shows at the next event once memory is
// back. Typed into, the box keeps the edit and the panel its text; the next edit hands the panel
// the box's whole text.
TEST(ValueFault, AWindowShortOfMemoryForAHugeTextKeepsTheBoxesTextsAndGoesOn) {
    StationPanel panel;
    MainWindow window(GetModuleHandleW(nullptr), panel);
    const HWND khz = window.Control(ControlId::TextKhz);
    const auto length = [&] { return static_cast<std::size_t>(GetWindowTextLengthW(khz)); };
    panel.SetFrequencyText(std::string(kHuge, 'a'));
    {
        const FaultScope faulty(Fault::MemoryRunsOut);
        PumpPending();
        EXPECT_GT(faulty.Struck(), 0);
        EXPECT_EQ(TextOf(khz), L"14100");
        panel.SetBearingText("5");
        PumpPending();
        EXPECT_EQ(TextOf(window.Control(ControlId::TextBearing)), L"5");
        EXPECT_EQ(TextOf(khz), L"14100");
    }
    // The program's own loop, for one event.
    PostMessageW(window.Handle(), WM_NULL, 0, 0);
    PostQuitMessage(0);
    window.RunEventLoop();
    EXPECT_EQ(length(), kHuge);

    {
        const FaultScope faulty(Fault::MemoryRunsOut);
        SendMessageW(khz, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
        EXPECT_GT(faulty.Struck(), 0);
    }
    EXPECT_EQ(length(), kHuge + 1);
    EXPECT_EQ(panel.FrequencyText(), std::string(kHuge, 'a'));
    SendMessageW(khz, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"y"));
    EXPECT_EQ(panel.FrequencyText().size(), kHuge + 2);
    EXPECT_TRUE(IsWindow(window.Handle()));
}

// Under each Wine: a DDEML client's own window, and its partner's in a conversation with Wine's
// DDEML server, are of the classes the repair knows Wine's DDEML by, whatever version Wine tells;
// and that server posts an item only on that item's links: the azimuths published never reach
// the frequency's link.
TEST(UsedHostFault, WinesDdemlServerIsKnownByItsWindowAndPostsAnItemOnlyOnItsLinks) {
    DdeHost host;
    ASSERT_TRUE(host.Started()) << host.Failure();
    DdemlClient client;
    const HCONV qso = client.Connect(L"MixW", L"QSO");
    ASSERT_NE(qso, nullptr);
    EXPECT_TRUE(client.Transact(qso, XTYP_ADVSTART, L"Khz"));
    CONVINFO info{};
    info.cb = sizeof info;
    ASSERT_NE(DdeQueryConvInfo(qso, QID_SYNC, &info), 0u);
    wchar_t name[64] = {};
    GetClassNameW(info.hwndPartner, name, 64);
    EXPECT_TRUE(UsedHostRepair::IsDdemlServerWindow(info.hwndPartner))
        << "the server's window is of the class " << testing::PrintToString(std::wstring(name));
    EXPECT_FALSE(UsedHostRepair::IsDdemlServerWindow(info.hwnd));
    EXPECT_TRUE(UsedHostRepair::IsWineDdemlClientWindow(info.hwnd));
    EXPECT_FALSE(UsedHostRepair::IsWineDdemlClientWindow(info.hwndPartner));
    for (const char* azimuth : {"10", "20", "30"}) {
        host.Publish(HostItem::Azimuth, azimuth);
    }
    host.Publish(HostItem::Frequency, "7050");
    // Ends after every value posted before it has been handled.
    client.Transact(qso, XTYP_REQUEST, L"Az");
    EXPECT_EQ(DdemlClient::values, 1);
}

} // namespace
} // namespace veskor::test
