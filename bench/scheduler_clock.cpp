// Reading the Linux scheduler's figures through Wine's view of the root file system (Z:).
#include "scheduler_clock.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace veskor::bench {
namespace {

const char kProc[] = "Z:\\proc\\";

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    // Files under /proc report no size: read until the end.
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    CloseHandle(file);
    return content;
}

std::vector<std::string> NumberedEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = entry.cFileName;
        if (!name.empty() && std::all_of(name.begin(), name.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; })) {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           std::equal(end.rbegin(), end.rend(), text.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

bool SchedulerClock::Find(const std::string& programFileName) {
    char prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) {
        return false;
    }
    // Environments are NUL-separated lists: the marker matches one whole entry.
    const std::string prefixEntry = std::string(1, '\0') + "WINEPREFIX=" + prefix + '\0';
    std::vector<std::string> found;
    for (const std::string& pid : NumberedEntries(kProc)) {
        const std::string folder = kProc + pid + "\\";
        std::string program = ReadWholeFile(folder + "cmdline");
        program = program.substr(0, program.find('\0'));
        program.erase(std::remove(program.begin(), program.end(), '"'), program.end());
        if (!EndsWithNoCase(program, "\\" + programFileName) &&
            !EndsWithNoCase(program, "/" + programFileName) && program != programFileName) {
            continue;
        }
        const std::string environment = '\0' + ReadWholeFile(folder + "environ");
        if (environment.find(prefixEntry) != std::string::npos) {
            found.push_back(folder);
        }
    }
    if (found.size() != 1) {
        return false;
    }
    processFolder_ = found.front();
    return true;
}

double SchedulerClock::ProcessorMs() const {
    if (processFolder_.empty()) {
        return -1;
    }
    const std::string tasks = processFolder_ + "task\\";
    double nanoseconds = 0;
    for (const std::string& thread : NumberedEntries(tasks)) {
        // The first figure of schedstat is the time spent on a processor, in nanoseconds.
        const std::string figures = ReadWholeFile(tasks + thread + "\\schedstat");
        nanoseconds += std::strtod(figures.c_str(), nullptr);
    }
    return nanoseconds / 1e6;
}

} // namespace veskor::bench
