// The stand-in host as a whole: its DDE host, window and script, run on one thread.
#pragma once

#include "dde_host.h"
#include "script_command.h"
#include "standin_window.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace veskor {

struct StandinOptions {
    bool script = false; // commands on standard input, answers on standard output
    bool hidden = false; // no window shown
};

class StandinHost final : StandinWindow::Listener, ScriptTarget {
public:
    explicit StandinHost(StandinOptions options) : options_(options) {}

    // Registers the service, shows the window, says "ready" and runs until quit or the window
    // closes. Returns the process exit status.
    int Run(HINSTANCE instance, int showCommand);

private:
    void OnOperatorEdit(HostItem item, std::string value) override;
    void OnScriptLine(const ScriptLine* line) override;
    void Set(HostItem item, std::string value) override;
    void Quit() override;

    StandinOptions options_;
    DdeHost host_;
    StandinWindow window_{*this};
};

// One line on standard output, written through at once; nothing when there is no output.
void WriteOutputLine(std::string_view line);
bool HasStandardOutput();

} // namespace veskor
