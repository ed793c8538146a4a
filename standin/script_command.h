// The stand-in host's script language: one command a line on standard input, answered by one
// line on standard output ("ok" or "error <why>").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veskor {

enum class ScriptVerb {
    Nothing, // an empty line or a comment (starting with #): answered "ok", does nothing
    Set,
    SetHex,
    Fill,
    Burst,
    RefuseItem,
    AcceptItem,
    RefuseTopic,
    AcceptTopic,
    Hang,
    Freeze,
    Quit,
};

// A decimal number held exactly: units / 10^decimals. Bursts of frequencies such as 14000.00,
// 14000.01, ... must not pick up binary rounding on the way.
struct DecimalNumber {
    std::int64_t units = 0;
    int decimals = 0;
};

struct ScriptCommand {
    ScriptVerb verb = ScriptVerb::Nothing;
    std::string name;          // the item or topic named by the command
    std::string value;         // Set, SetHex, Fill: the item's new bytes
    bool terminated = true;    // false for SetHex: the value is served without a NUL
    std::uint32_t count = 0;   // Burst: how many values are published
    DecimalNumber first, step; // Burst: the first value and the increment
    std::string error;         // why the line is not a command; empty when it is one
};

// Limits that keep a mistyped line from exhausting memory.
inline constexpr std::size_t kMaxValueBytes = 64u << 20;
inline constexpr std::uint32_t kMaxBurst = 1'000'000;

ScriptCommand ParseScriptLine(std::string_view line);

// The index-th value of a burst, first + index * step, written with as many decimals as the
// more precise of the two ("14000.00" + 3 * "0.01" is "14000.03").
std::string BurstValue(const ScriptCommand& burst, std::uint32_t index);

// The commands, one a line, for the program's help text.
extern const char kScriptHelp[];

} // namespace veskor
