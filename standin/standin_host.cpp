// The stand-in host's run: start-up, the script's lines and their answers, and the end.
#include "standin_host.h"

#include "script_reader.h"

namespace veskor {

bool HasStandardOutput() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output != nullptr && output != INVALID_HANDLE_VALUE &&
           GetFileType(output) != FILE_TYPE_UNKNOWN;
}

void WriteOutputLine(std::string_view line) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string text(line);
    text += '\n';
    DWORD written = 0;
    // Pipes and consoles are unbuffered: the line is on its way when WriteFile returns.
    WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int StandinHost::Run(HINSTANCE instance, int showCommand) {
    if (!window_.Create(instance)) {
        WriteOutputLine("error cannot create the window");
        return 1;
    }
    if (!host_.Started()) {
        WriteOutputLine("error " + host_.Failure());
        if (!options_.script && !options_.hidden) {
            MessageBoxA(nullptr, host_.Failure().c_str(), "MixW stand-in", MB_OK | MB_ICONERROR);
        }
        return 1;
    }
    // A station working FT8 on 20 m, pointed at the west.
    Set(HostItem::Frequency, "14074.00");
    Set(HostItem::Azimuth, "275");
    if (!options_.hidden) {
        window_.Show(showCommand);
    }
    WriteOutputLine("ready");
    if (options_.script) {
        StartScriptReader(window_.Handle(), StandinWindow::kScriptLineMessage);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab moves between the boxes.
        if (!window_.Handle() || !IsDialogMessageW(window_.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    host_.Stop();
    return 0;
}

void StandinHost::OnOperatorEdit(HostItem item, std::string value) {
    host_.Publish(item, value);
}

void StandinHost::OnScriptLine(const ScriptLine* line) {
    if (!line) { // the end of the input ends the program
        Quit();
    } else {
        WriteOutputLine(line->tooLong ? "error line too long" : RunScriptLine(line->text, *this));
    }
}

void StandinHost::Set(HostItem item, std::string value) {
    window_.ShowValue(item, value);
    host_.Publish(item, value);
}

void StandinHost::Quit() {
    host_.Stop();
    window_.Destroy();
}

} // namespace veskor
