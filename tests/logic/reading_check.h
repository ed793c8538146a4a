// One property of ReadNumber for the native sweep and the fuzz target alike: any text reads as a
// reference reader built another way reads it, and reading stops at the end of the view.
#pragma once

#include "rules.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace veskor::test {

struct Reading {
    double value;
    bool exact; // false where the reference and ReadNumber may round differently
};

// Blanks removed by copying; &H and &O digits summed in long double; a decimal read by the C
// library (in the C locale) once the text is known to begin as only a decimal number would.
inline Reading ReferenceReading(std::string_view text) {
    constexpr auto kNone = std::string_view::npos;
    std::string kept;
    for (char c : text) {
        kept += std::string_view(" \t\n").find(c) == kNone ? std::string(1, c) : "";
    }
    if (kept.size() >= 2 && kept[0] == '&' && std::string_view("HhOo").find(kept[1]) != kNone) {
        const bool hex = kept[1] == 'H' || kept[1] == 'h';
        const std::string_view digits = hex ? "0123456789abcdefABCDEF" : "01234567";
        long double sum = 0;
        for (std::size_t at = 2; at < kept.size() && digits.find(kept[at]) != kNone; ++at) {
            sum = sum * (hex ? 16 : 8) + std::stoi(kept.substr(at, 1), nullptr, 16);
        }
        return {sum > DBL_MAX ? HUGE_VAL : static_cast<double>(sum), sum < 0x1p53L};
    }
    // strtod would also skip leading white space and read 0x, inf and nan.
    const std::string start = kept.substr(kept.starts_with('+') || kept.starts_with('-'), 2);
    const bool decimal = !start.empty() && std::string_view("0123456789.").find(start[0]) != kNone;
    return {decimal && start != "0x" && start != "0X" ? std::strtod(kept.c_str(), nullptr) : 0,
            true};
}

// The text is read as a view into a longer buffer whose next character would continue any number.
inline bool CheckReading(std::string_view text) {
    const std::string buffer = std::string(text) + "1";
    const double value = ReadNumber(std::string_view(buffer).substr(0, text.size()));
    const Reading expected = ReferenceReading(text);
    return expected.exact || std::isinf(expected.value)
               ? value == expected.value
               : std::fabs(value - expected.value) <= 1e-15 * std::fabs(expected.value);
}

} // namespace veskor::test
