// The stand-in host's run: start-up, the script commands and their answers, and the end.
#include "standin_host.h"

namespace veskor {

namespace {

// Answers are one line each, whatever the bytes of the command that caused them.
std::string Printable(std::string_view text) {
    std::string printable(text.substr(0, 200));
    for (char& c : printable) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    return printable;
}

} // namespace

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
    std::string why;
    if (!server_.Start(why)) {
        WriteOutputLine("error " + why);
        if (!options_.script && !options_.hidden) {
            MessageBoxA(nullptr, why.c_str(), "MixW stand-in", MB_OK | MB_ICONERROR);
        }
        return 1;
    }
    if (!options_.hidden) {
        window_.Show(showCommand);
    }
    WriteOutputLine("ready");
    if (options_.script) {
        reader_ = ScriptReader::Start(window_.Handle(), StandinWindow::kScriptLinesMessage);
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab moves between the boxes.
        if (!window_.Handle() || !IsDialogMessageW(window_.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    server_.Stop();
    return 0;
}

void StandinHost::OnOperatorEdit(HostItem& item, std::string value) {
    item.value = std::move(value);
    item.terminated = true;
    server_.Publish(item);
}

void StandinHost::OnScriptLines() {
    // DDEML may pump messages while publishing; lines are still taken one after the other.
    if (runningLines_ || !reader_) {
        return;
    }
    runningLines_ = true;
    ScriptReader::Line line;
    bool ended = false;
    while (!quitting_ && reader_->Next(line, ended)) {
        RunLine(line);
    }
    runningLines_ = false;
    if (ended && !quitting_) {
        Quit();
    }
}

void StandinHost::RunLine(const ScriptReader::Line& line) {
    if (line.tooLong) {
        WriteOutputLine("error line too long");
        return;
    }
    ScriptCommand command = ParseScriptLine(line.text);
    if (!command.error.empty()) {
        WriteOutputLine("error " + Printable(command.error));
        return;
    }
    std::string why = Apply(command);
    WriteOutputLine(why.empty() ? "ok" : "error " + Printable(why));
    if (why.empty() && command.verb == ScriptVerb::Freeze) {
        // A host that stopped dead: no message is handled again. Only killing the process ends it.
        for (;;) {
            Sleep(INFINITE);
        }
    }
}

std::string StandinHost::Apply(const ScriptCommand& command) {
    HostItem* item = nullptr;
    HostTopic* topic = nullptr;
    switch (command.verb) {
    case ScriptVerb::Set:
    case ScriptVerb::SetHex:
    case ScriptVerb::Fill:
    case ScriptVerb::Burst:
    case ScriptVerb::RefuseItem:
    case ScriptVerb::AcceptItem:
        item = state_.FindItem(command.name);
        if (!item) {
            return "unknown item '" + command.name + "' (Khz, Az, Command)";
        }
        break;
    case ScriptVerb::RefuseTopic:
    case ScriptVerb::AcceptTopic:
        topic = state_.FindTopic(command.name);
        if (!topic) {
            return "unknown topic '" + command.name + "' (QSO, CAT)";
        }
        break;
    default:
        break;
    }

    switch (command.verb) {
    case ScriptVerb::Nothing:
    case ScriptVerb::Freeze:
        break;
    case ScriptVerb::Set:
    case ScriptVerb::SetHex:
    case ScriptVerb::Fill:
        SetValue(*item, command.value, command.terminated);
        break;
    case ScriptVerb::Burst:
        for (std::uint32_t i = 0; i < command.count; ++i) {
            item->value = BurstValue(command, i);
            item->terminated = true;
            server_.Publish(*item);
        }
        window_.ShowValue(*item);
        break;
    case ScriptVerb::RefuseItem:
    case ScriptVerb::AcceptItem:
        item->refused = command.verb == ScriptVerb::RefuseItem;
        break;
    case ScriptVerb::RefuseTopic:
    case ScriptVerb::AcceptTopic:
        topic->refused = command.verb == ScriptVerb::RefuseTopic;
        break;
    case ScriptVerb::Hang:
        state_.hanging = true;
        break;
    case ScriptVerb::Quit:
        Quit();
        break;
    }
    return {};
}

void StandinHost::SetValue(HostItem& item, std::string value, bool terminated) {
    item.value = std::move(value);
    item.terminated = terminated;
    window_.ShowValue(item);
    server_.Publish(item);
}

void StandinHost::Quit() {
    quitting_ = true;
    server_.Stop();
    window_.Destroy();
}

} // namespace veskor
