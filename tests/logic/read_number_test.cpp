// How field texts read as numbers: the grammar, its traps, extreme magnitudes and the process
// locale.
#include "rules.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;

struct Reading {
    std::string_view text;
    double expected;
};

void ExpectReadings(const std::vector<Reading>& table) {
    for (const Reading& row : table) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.text)));
        const double value = ReadNumber(row.text);
        EXPECT_FALSE(std::isnan(value));
        EXPECT_EQ(value, row.expected);
    }
}

// The tables below are laid out by hand, a few readings to a line.
// clang-format off
TEST(ReadNumber, PlainAndDecimalForms) {
    ExpectReadings({
        {"14100", 14100}, {"0", 0}, {"007", 7}, {"00.500", 0.5}, {".5", 0.5}, {"5.", 5},
        {"0.1", 0.1}, {"3800.01", 3800.01}, {"14100.0", 14100}, {"1.5.5", 1.5}, {"1..5", 1},
        {"..5", 0}, {".", 0}, {"", 0},
    });
}

TEST(ReadNumber, BlanksTabsAndLineFeedsAreIgnoredAnywhere) {
    ExpectReadings({
        {"14 100", 14100}, {" 14100", 14100}, {"14100 ", 14100}, {"\t1\t4\t1\t0\t0\t", 14100},
        {"\n14100\n", 14100}, {"1 4\t1\n0 0", 14100}, {"- 5", -5}, {"+\t5", 5}, {"1 . 5", 1.5},
        {" . 5", 0.5}, {"1 e 3", 1000}, {"1e - 3", 0.001}, {"1e+ 3", 1000}, {"   ", 0},
        {"\t\n ", 0}, {"3500 kHz", 3500}, {"3500 E", 3500}, {"3500 E kHz", 3500},
    });
}

TEST(ReadNumber, CarriageReturnAndOtherControlsStopTheNumber) {
    ExpectReadings({
        {"14100\r", 14100}, {"14100\r\n", 14100}, {"\r14100", 0}, {"\r\n14100", 0},
        {"14\r100", 14}, {"1e\r3", 1}, {"1.\r5", 1}, {"-\r5", 0}, {"\v14100", 0}, {"\f14100", 0},
        {"14\v100", 14}, {"\00014100"sv, 0}, {"14\000100"sv, 14},
    });
}

TEST(ReadNumber, Signs) {
    ExpectReadings({
        {"+5", 5}, {"-5", -5}, {"-5.", -5}, {"+.5", 0.5}, {"-.5", -0.5}, {"5-", 5}, {"+", 0},
        {"-", 0}, {"+.", 0}, {"-.", 0}, {"--5", 0}, {"+-5", 0}, {"-+5", 0}, {"++5", 0},
        {"-e5", 0}, {"-0", 0}, {"-14100", -14100},
    });
}

TEST(ReadNumber, ExponentOnlyWhenComplete) {
    ExpectReadings({
        {"1e3", 1000}, {"1E3", 1000}, {"1e+3", 1000}, {"1e-3", 0.001}, {"1e03", 1000}, {"1e0", 1},
        {"1.e3", 1000}, {".5e1", 5}, {"1.5E2", 150}, {"2.5e1x", 25}, {"1e3.5", 1000},
        {"1e3e4", 1000}, {"3500E", 3500}, {"3500e", 3500}, {"3500E+", 3500}, {"3500E-", 3500},
        {"1e", 1}, {"1e+", 1}, {"1e-", 1}, {"1ee3", 1}, {"1e+-3", 1}, {"1e--3", 1}, {"1ex", 1},
        {"e5", 0}, {"E5", 0}, {".e5", 0}, {"+e5", 0}, {"e", 0},
    });
}

TEST(ReadNumber, LetterDIsNoExponent) {
    ExpectReadings({{"1d3", 1}, {"1D3", 1}, {"1D+3", 1}, {"1.5D2", 1.5}, {"D5", 0}, {"d", 0}});
}

TEST(ReadNumber, AmpersandPrefixes) {
    ExpectReadings({
        {"&H1F", 31}, {"&h1f", 31}, {"&HfF", 255}, {"&HE", 14}, {"&H1E3", 483},
        {"&HDEADBEEF", 3735928559.0}, {"&O17", 15}, {"&o17", 15}, {"&O777", 511},
        {"&H", 0}, {"&h", 0}, {"&O", 0}, {"&o", 0}, {"&Hg1", 0}, {"&H1g2", 1}, {"&H1.5", 1},
        {"&H-1", 0}, {"&H+1", 0}, {"&O8", 0}, {"&O78", 7}, {"&O1e3", 1}, {"&O9", 0}, {"&Oa", 0},
        {"& H 1 0", 16}, {"&H 1 0", 16}, {"&\tO\n17", 15}, {"&H1F\r", 31}, {"&H\r1", 0},
        {"&\rH1", 0}, {"&", 0}, {"&X12", 0}, {"&12", 0}, {"&D12", 0}, {"&B101", 0},
        {"-&H10", 0}, {"+&H10", 0}, {"&&H10", 0}, {"H10", 0}, {"&H0010", 16},
        // Unsigned, whatever the width: no wrap to a negative value.
        {"&HFFFF", 65535}, {"&H8000", 32768}, {"&HFFFFFFFF", 4294967295.0},
        {"&HFFFFFFFFFFFFFFFF", 18446744073709551616.0},
        {"&O1777777777777777777777", 18446744073709551616.0},
    });
}

TEST(ReadNumber, WordsUnitsAndForeignCharacters) {
    ExpectReadings({
        {"14100,5", 14100}, {"3,500", 3}, {"3500kHz", 3500}, {"3500$", 3500}, {"$3500", 0},
        {"abc", 0}, {"north", 0}, {"inf", 0}, {"-inf", 0}, {"infinity", 0}, {"nan", 0},
        {"NaN", 0}, {"0x1A", 0}, {"0X10", 0}, {"1_000", 1},
        {"\x80", 0}, {"\xFF" "5", 0}, {"5\xFF", 5}, {"5\xC3\xA9", 5},
        {"\xC2\xA0" "14100", 0},     // no-break space is not a blank
        {"14\xC2\xA0" "100", 14},
        {"\xEF\xBC\x95", 0},         // fullwidth digit five
        {"\xE2\x88\x92" "5", 0},     // minus sign
        {"\xD9\xA3", 0},             // Arabic-Indic digit three
        {"\xEF\xBB\xBF" "14100", 0}, // byte order mark
    });
}
// clang-format on

// Extremes: digit runs of any length, magnitudes beyond a double both ways, and long & integers.
TEST(ReadNumber, ExtremeMagnitudesGiveInfinityOrZeroNeverNaN) {
    const double infinity = std::numeric_limits<double>::infinity();
    const std::string nines(10000, '9');
    const std::string zeros400(400, '0');
    const std::vector<std::pair<std::string, double>> table{
        {nines, infinity},
        {"-" + nines, -infinity},
        {nines + ".5e-9800", 1e200},
        {"1e309", infinity},
        {"-1e309", -infinity},
        {"1e99999999999999999999", infinity},
        {"-1e+99999999999999999999", -infinity},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"1.7976931348623158e308", std::numeric_limits<double>::max()},
        {"1.7976931348623159e308", infinity},
        {"1e-400", 0},
        {"-1e-400", 0},
        {"1e-99999999999999999999", 0},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"2e-324", 0},
        {"1e-310", 1e-310},
        {"0." + std::string(10000, '0') + "1", 0},
        {"0." + zeros400 + "1e400", 0.1},
        {"0." + zeros400 + "1e70", 0},
        {"1" + zeros400 + "e-400", 1},
        {"1" + zeros400 + "e-92", 1e308},
        {"1" + zeros400 + "e-91", infinity},
        {"0e99999999999999999999", 0},
        {"0.000e-99999", 0},
        {"-0e99999", 0},
        {"&H" + std::string(300, 'F'), infinity},
        {"&O" + std::string(500, '7'), infinity},
        {"&H" + std::string(40, '0') + "1", 1}};
    for (const auto& [text, expected] : table) {
        SCOPED_TRACE(text.substr(0, 40) + "... (" + std::to_string(text.size()) + " characters)");
        const double value = ReadNumber(text);
        EXPECT_FALSE(std::isnan(value));
        EXPECT_EQ(value, expected);
    }
}

// A view into a longer buffer: reading must stop at the end of the view, never look past it.
TEST(ReadNumber, StopsAtTheEndOfTheView) {
    struct Cut {
        std::string_view buffer;
        std::size_t length;
        double expected;
    };
    constexpr Cut table[]{{"141005", 5, 14100}, {"1e5", 2, 1}, {"1e+5", 3, 1}, {"1.5", 2, 1},
                          {".5", 1, 0},         {"-5", 1, 0},  {"&H1F", 3, 1}, {"&H1F", 2, 0},
                          {"&O17", 1, 0},       {"9 9", 2, 9}, {"1e3", 0, 0}};
    for (const Cut& cut : table) {
        SCOPED_TRACE(std::string(cut.buffer) + " cut to " + std::to_string(cut.length));
        EXPECT_EQ(ReadNumber(cut.buffer.substr(0, cut.length)), cut.expected);
    }
}

// Switches the C and C++ locales to the first installed one whose decimal separator is a comma,
// and restores both on leaving.
class CommaLocale {
public:
    CommaLocale() : savedC_(std::setlocale(LC_ALL, nullptr)) {
        for (const char* name : kCandidates) {
            try {
                std::locale::global(std::locale(name)); // sets the C locale too
            } catch (const std::runtime_error&) {
                // Some C++ libraries know only the "C" locale; the C library may still have it.
            }
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::localeconv()->decimal_point == ","sv) {
                name_ = name;
                return;
            }
        }
        Restore();
    }
    ~CommaLocale() { Restore(); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    const char* Name() const { return name_; }

    static constexpr std::array kCandidates{"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8",
                                            "fr_FR.utf8",  "de_DE",      "fr_FR",
                                            "de-DE",       "fr-FR",      "German_Germany.1252"};

private:
    void Restore() {
        std::locale::global(savedCpp_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }

    std::string savedC_;
    std::locale savedCpp_;
    const char* name_ = nullptr;
};

TEST(ReadNumber, CommaDecimalLocaleChangesNothing) {
    constexpr std::array texts{"3.5",   "14100,5", "3,500",    "1.5e3", ".5",   "0,5",
                               "1,5e3", "&H1F",    "3500 kHz", "-2.25", "1e-3", "5."};
    std::vector<double> before;
    for (const char* text : texts) {
        before.push_back(ReadNumber(text));
    }

    CommaLocale locale;
    if (locale.Name() == nullptr) {
        GTEST_SKIP() << "No locale with a comma decimal separator is installed, so this test "
                        "cannot switch to one. Generate one, for example: "
                        "localedef -i de_DE -f UTF-8 de_DE.UTF-8";
    }
    SCOPED_TRACE(locale.Name());
    // The C library now reads the comma as the decimal separator, so the switch did take effect.
    ASSERT_EQ(std::strtod("0,5", nullptr), 0.5);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(ReadNumber(texts[i]), before[i]);
    }
    EXPECT_EQ(ReadNumber("3.5"), 3.5);
    EXPECT_EQ(ReadNumber("14100,5"), 14100);
}

} // namespace
} // namespace veskor
