// ReadNumber against a reference reader built another way (regular expressions find the number,
// the C library converts it), over generated texts: every short text over the characters that
// matter, and seeded random ones, the same on every run.
#include "rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;

struct Expected {
    double value;
    bool exact; // false where the reference and an accumulating reader may round differently
};

// Hexadecimal digits through the C library's correctly rounded hexadecimal reading; exact up to
// 13 significant digits (52 bits).
Expected FromHexDigits(const std::string& digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return {std::strtod(("0x0" + digits).c_str(), nullptr),
            first == std::string::npos || digits.size() - first <= 13};
}

std::string OctalToHexDigits(const std::string& octal) {
    std::string bits, hex;
    for (char digit : octal) {
        for (int shift : {2, 1, 0}) {
            bits += ((digit - '0') >> shift & 1) ? '1' : '0';
        }
    }
    bits.insert(0, (4 - bits.size() % 4) % 4, '0');
    for (std::size_t at = 0; at < bits.size(); at += 4) {
        hex += "0123456789ABCDEF"[std::stoi(bits.substr(at, 4), nullptr, 2)];
    }
    return hex;
}

Expected ReferenceRead(const std::string& text) {
    static const std::regex blanks("[ \t\n]"), hexadecimal("&[Hh]([0-9A-Fa-f]*)"),
        octal("&[Oo]([0-7]*)"), decimal("[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)([Ee][+-]?[0-9]+)?");
    constexpr auto atStart = std::regex_constants::match_continuous;
    const std::string kept = std::regex_replace(text, blanks, "");
    std::smatch match;
    if (std::regex_search(kept, match, hexadecimal, atStart)) {
        return FromHexDigits(match[1].str());
    }
    if (std::regex_search(kept, match, octal, atStart)) {
        return FromHexDigits(OctalToHexDigits(match[1].str()));
    }
    if (std::regex_search(kept, match, decimal, atStart)) {
        return {std::strtod(match[0].str().c_str(), nullptr), true};
    }
    return {0, true};
}

// Single characters that matter to the grammar or end a number, and longer fragments that reach
// the interesting corners quickly.
constexpr std::string_view kCharacters[]{
    "0", "1", "5", "7", "8", "9",  "+",  "-",  ".", "e", "E", "&",    "H",    "h",    "O",    "o",
    "D", "d", "A", "f", " ", "\t", "\n", "\r", ",", "x", "k", "\0"sv, "\x80", "\xC3", "\xFF",
};
// clang-format off
constexpr std::string_view kFragments[]{
    "&H", "&h", "&O", "&o", "1e", "E+", "e-", "e308", "e-308", "e309", "e-324", "e400", "e-400",
    "999999999999999999999", "0000000000", ".5", "3500", "14100", "1.7976931348623157",
};
// clang-format on

// splitmix64: a small fixed generator, so the texts are the same with every standard library.
struct Generator {
    std::uint64_t state;
    std::uint32_t Below(std::uint32_t bound) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return static_cast<std::uint32_t>((z ^ (z >> 31)) % bound);
    }
};

void ExpectSameAsReference(const std::vector<std::string>& texts) {
    int mismatches = 0;
    for (const std::string& text : texts) {
        const double value = ReadNumber(text);
        const Expected expected = ReferenceRead(text);
        const bool same =
            expected.exact || std::isinf(expected.value)
                ? value == expected.value
                : std::fabs(value - expected.value) <= 1e-15 * std::fabs(expected.value);
        if ((std::isnan(value) || !same) && ++mismatches <= 20) {
            ADD_FAILURE() << testing::PrintToString(text) << " reads as " << value
                          << ", the reference gives " << expected.value;
        }
    }
}

TEST(ReadNumberDifferential, EveryTextOfUpToThreeCharacters) {
    std::vector<std::string> texts{""};
    for (std::size_t from = 0, length = 1; length <= 3; ++length) {
        const std::size_t to = texts.size();
        for (std::size_t i = from; i < to; ++i) {
            for (std::string_view c : kCharacters) {
                texts.push_back(texts[i] + std::string(c));
            }
        }
        from = to;
    }
    ASSERT_GT(texts.size(), 30000U);
    ExpectSameAsReference(texts);
}

TEST(ReadNumberDifferential, SeededRandomTexts) {
    Generator random{20240611};
    std::vector<std::string> texts(12000);
    for (std::string& text : texts) {
        for (std::uint32_t pieces = random.Below(14); pieces > 0; --pieces) {
            text += random.Below(4) == 0 ? kFragments[random.Below(std::size(kFragments))]
                                         : kCharacters[random.Below(std::size(kCharacters))];
        }
    }
    ExpectSameAsReference(texts);
}

// Well-formed numbers with blanks, tabs and line feeds scattered through them and a tail that
// may or may not continue the number.
TEST(ReadNumberDifferential, NumbersWithScatteredBlanksAndTails) {
    constexpr std::string_view numbers[]{"14100",
                                         "-3500.25",
                                         "+.5",
                                         "1.e3",
                                         "2.5E-3",
                                         "&H1F",
                                         "&o777",
                                         "1e308",
                                         "-9.9e-320",
                                         "123456789012345678901234567890",
                                         "0.000000000000000000001"};
    constexpr std::string_view tails[]{"",    "e",  "E+",  "e-x",      ".5",  "..", "5",
                                       "\r5", ",5", "kHz", "\xC3\xA9", "&H1", "D3"};
    Generator random{7};
    std::vector<std::string> texts;
    for (std::string_view number : numbers) {
        for (std::string_view tail : tails) {
            for (int variant = 0; variant < 20; ++variant) {
                std::string text;
                for (char c : std::string(number) + std::string(tail)) {
                    while (random.Below(3) == 0) {
                        text += " \t\n"[random.Below(3)];
                    }
                    text += c;
                }
                texts.push_back(std::move(text));
            }
        }
    }
    ExpectSameAsReference(texts);
}

} // namespace
} // namespace veskor
