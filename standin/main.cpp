// standin-host: plays the station program's DDE server so that Veskor can be tried, shown and
// tested without it. Options and script commands: see kUsage, or run it with --help.
#include "standin_host.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <string_view>

namespace {

// --help writes this to standard output when the program has one (started from a shell with
// redirection, or by a test); a program of the Windows subsystem started from a desktop or a
// console has none, and then it appears in a message box.
constexpr char kUsage[] =
    "Usage: standin-host [--script] [--hidden] [--help]\n"
    "\n"
    "Plays the MixW station program's DDE server, so that Veskor can be tried\n"
    "without it: application MixW, topic QSO with items Khz and Az, topic CAT with\n"
    "item Command. Values are served as text (CF_TEXT), by request and by hot\n"
    "link; every change, typed into the window or scripted, is published at once.\n"
    "\n"
    "  --script   read commands from standard input, one a line (see below);\n"
    "             the end of the input ends the program\n"
    "  --hidden   show no window\n"
    "  --help     show this text\n"
    "\n"
    "Prints \"ready\" on standard output once the DDE service is registered.\n"
    "\n"
    "Script commands:\n";

void ShowText(const std::string& text, bool error) {
    if (veskor::HasStandardOutput()) {
        veskor::WriteOutputLine(text);
    } else {
        MessageBoxA(nullptr, text.c_str(), "MixW stand-in",
                    MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    int count = 0;
    const auto release = [](LPWSTR* owned) { LocalFree(owned); };
    std::unique_ptr<LPWSTR, decltype(release)> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count), release);
    veskor::StandinOptions options;
    for (int i = 1; i < count; ++i) {
        std::wstring_view argument = arguments.get()[i];
        if (argument == L"--script") {
            options.script = true;
        } else if (argument == L"--hidden") {
            options.hidden = true;
        } else if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            ShowText(std::string(kUsage) + veskor::ScriptHelp(), false);
            return 0;
        } else {
            ShowText("standin-host: unknown option (try --help)", true);
            return 2;
        }
    }
    arguments.reset();
    return veskor::StandinHost(options).Run(instance, showCommand);
}
