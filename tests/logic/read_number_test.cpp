// How field texts read as numbers: the grammar, its traps, extreme magnitudes and the process
// locale.
#include "rules.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;

TEST(ReadNumber, Readings) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::string nines(10000, '9'), zeros(400, '0');
    // clang-format off
    const std::vector<std::pair<std::string, double>> table{
        // Plain and decimal forms; a second point ends the number.
        {"14100", 14100}, {"007", 7}, {"00.500", 0.5}, {".5", 0.5}, {"5.", 5}, {"3800.01", 3800.01},
        {"1.5.5", 1.5}, {"1..5", 1}, {"..5", 0}, {".", 0}, {"", 0},
        // Blanks, tabs and line feeds are ignored anywhere, even inside the number.
        {"14 100", 14100}, {"\t1\t4\t1\t0\t0\t", 14100}, {"\n14100\n", 14100}, {"- 5", -5},
        {"+\t5", 5}, {"1 . 5", 1.5}, {" . 5", 0.5}, {"1 e 3", 1000}, {"1e - 3", 0.001},
        {"\t\n ", 0}, {"3500 kHz", 3500}, {"3500 E", 3500},
        // A carriage return and other controls end the number.
        {"14100\r\n", 14100}, {"\r14100", 0}, {"14\r100", 14}, {"1e\r3", 1}, {"1.\r5", 1},
        {"-\r5", 0}, {"\v14100", 0}, {"14\f100", 14}, {"\00014100"s, 0}, {"14\000100"s, 14},
        // Signs.
        {"+5", 5}, {"-5", -5}, {"-.5", -0.5}, {"5-", 5}, {"+", 0}, {"-.", 0}, {"--5", 0},
        {"+-5", 0}, {"-e5", 0}, {"-0", 0},
        // An exponent counts only when complete; D is no exponent.
        {"1e3", 1000}, {"1E3", 1000}, {"1e+3", 1000}, {"1e-3", 0.001}, {"1.e3", 1000}, {".5e1", 5},
        {"2.5e1x", 25}, {"1e3.5", 1000}, {"1e3e4", 1000}, {"3500E", 3500}, {"3500e", 3500},
        {"3500E+", 3500}, {"3500E-", 3500}, {"1ee3", 1}, {"1e+-3", 1}, {"1ex", 1}, {"e5", 0},
        {".e5", 0}, {"+e5", 0}, {"1d3", 1}, {"1D+3", 1}, {"1.5D2", 1.5}, {"D5", 0},
        // &H and &O: either case, unsigned at any width, blanks ignored, nothing else prefixed.
        {"&H1F", 31}, {"&h1f", 31}, {"&HfF", 255}, {"&HE", 14}, {"&H1E3", 483},
        {"&HDEADBEEF", 3735928559.0}, {"&O17", 15}, {"&o17", 15}, {"&H", 0}, {"&O", 0},
        {"&Hg1", 0}, {"&H1g2", 1}, {"&H1.5", 1}, {"&H-1", 0}, {"&O8", 0}, {"&O78", 7},
        {"&O1e3", 1}, {"& H 1 0", 16}, {"&\tO\n17", 15}, {"&H1F\r", 31}, {"&H\r1", 0},
        {"&\rH1", 0}, {"&", 0}, {"&X12", 0}, {"&12", 0}, {"-&H10", 0}, {"&&H10", 0}, {"H10", 0},
        {"&H0010", 16}, {"&HFFFF", 65535}, {"&H8000", 32768}, {"&HFFFFFFFF", 4294967295.0},
        {"&HFFFFFFFFFFFFFFFF", 18446744073709551616.0},
        {"&O1777777777777777777777", 18446744073709551616.0},
        // Words, units, commas and characters beyond ASCII end the number.
        {"14100,5", 14100}, {"3,500", 3}, {"3500kHz", 3500}, {"$3500", 0}, {"abc", 0},
        {"inf", 0}, {"infinity", 0}, {"nan", 0}, {"0x1A", 0}, {"1_000", 1}, {"\x80", 0},
        {"5\xFF", 5}, {"\xC2\xA0" "14100", 0}, {"14\xC2\xA0" "100", 14}, {"\xEF\xBC\x95", 0},
        {"\xE2\x88\x92" "5", 0}, {"\xD9\xA3", 0}, {"\xEF\xBB\xBF" "14100", 0},
        // Magnitudes beyond a double go to infinity or zero, never NaN.
        {nines, inf}, {"-" + nines, -inf}, {nines + ".5e-9800", 1e200}, {"1e309", inf},
        {"1e99999999999999999999", inf}, {"-1e+99999999999999999999", -inf},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"1.7976931348623158e308", std::numeric_limits<double>::max()},
        {"1.7976931348623159e308", inf}, {"1e-400", 0}, {"1e-99999999999999999999", 0},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()}, {"2e-324", 0},
        {"1e-310", 1e-310}, {"0." + std::string(10000, '0') + "1", 0},
        {"0." + zeros + "1e400", 0.1}, {"0." + zeros + "1e70", 0}, {"1" + zeros + "e-400", 1},
        {"1" + zeros + "e-92", 1e308}, {"1" + zeros + "e-91", inf},
        {"0e99999999999999999999", 0}, {"&H" + std::string(300, 'F'), inf},
        {"&O" + std::string(500, '7'), inf}, {"&H" + std::string(40, '0') + "1", 1},
    };
    // clang-format on
    for (const auto& [text, expected] : table) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)) + ", " +
                     std::to_string(text.size()) + " characters");
        const double value = ReadNumber(text);
        EXPECT_FALSE(std::isnan(value));
        EXPECT_EQ(value, expected);
    }
}

// Reading stops at the end of a view into a longer buffer.
TEST(ReadNumber, StopsAtTheEndOfTheView) {
    const struct {
        std::string_view buffer;
        std::size_t length;
        double expected;
    } table[]{{"141005", 5, 14100}, {"1e5", 2, 1},  {"1.5", 2, 1}, {"-5", 1, 0},
              {"&H1F", 3, 1},       {"&H1F", 2, 0}, {"9 9", 2, 9}, {"1e3", 0, 0}};
    for (const auto& row : table) {
        SCOPED_TRACE(std::string(row.buffer) + " cut to " + std::to_string(row.length));
        EXPECT_EQ(ReadNumber(row.buffer.substr(0, row.length)), row.expected);
    }
}

// Switches the C and C++ locales to the first installed one whose decimal separator is a comma;
// restores both on leaving.
struct CommaLocale {
    CommaLocale() {
        for (const char* candidate : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                                      "de_DE", "fr_FR", "de-DE", "fr-FR", "German_Germany.1252"}) {
            try {
                std::locale::global(std::locale(candidate)); // sets the C locale too
            } catch (const std::runtime_error&) {
                // Some C++ libraries know only "C"; the C library may still have it.
            }
            if (std::setlocale(LC_ALL, candidate) != nullptr &&
                std::localeconv()->decimal_point == ","sv) {
                name = candidate;
                return;
            }
        }
    }
    ~CommaLocale() {
        std::locale::global(savedCpp);
        std::setlocale(LC_ALL, savedC.c_str());
    }
    std::string savedC = std::setlocale(LC_ALL, nullptr);
    std::locale savedCpp;
    const char* name = nullptr;
};

TEST(ReadNumber, CommaDecimalLocaleChangesNothing) {
    const char* texts[]{"3.5", "14100,5", "3,500", "1.5e3", "0,5", "1,5e3", "&H1F", "-2.25"};
    std::vector<double> before;
    for (const char* text : texts) {
        before.push_back(ReadNumber(text));
    }
    CommaLocale locale;
    if (locale.name == nullptr) {
        GTEST_SKIP() << "No locale with a comma decimal separator is installed; generate one, "
                        "for example: localedef -i de_DE -f UTF-8 de_DE.UTF-8";
    }
    SCOPED_TRACE(locale.name);
    ASSERT_EQ(std::strtod("0,5", nullptr), 0.5); // the switch took effect
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(ReadNumber(texts[i]), before[i]) << texts[i];
    }
    EXPECT_EQ(ReadNumber("3.5"), 3.5);
    EXPECT_EQ(ReadNumber("14100,5"), 14100);
}

} // namespace
} // namespace veskor
