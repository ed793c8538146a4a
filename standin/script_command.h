// The stand-in host's script language: one command a line on standard input, answered by one
// line on standard output ("ok" or "error <why>").
#pragma once

#include "dde_host.h"

#include <string>
#include <string_view>

namespace veskor {

// What a script can have the stand-in do.
class ScriptTarget {
public:
    virtual void Set(HostItem item, std::string value) = 0;
    virtual void Quit() = 0;

protected:
    ~ScriptTarget() = default;
};

// Carries out one line (without its line ending) and returns its answer.
std::string RunScriptLine(std::string_view line, ScriptTarget& target);

// The commands, one a line, for the program's help text.
std::string ScriptHelp();

} // namespace veskor
