// How field texts read as numbers: the grammar and its traps, extreme magnitudes, a sweep against
// a reference reader, and the process locale.
#include "reading_check.h"
#include "rules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <locale>
#include <random>
#include <stdexcept>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;

TEST(ReadNumber, Readings) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::string nines(10000, '9'), zeros(400, '0'), zeros5000(5000, '0'),
        junk(1 << 16, '\xFF');
    // clang-format off
    const std::vector<std::pair<std::string, double>> table{
        // Decimal forms; a second point, a comma, a unit or a byte beyond ASCII ends the number.
        {"14100", 14100}, {".5", 0.5}, {"5.", 5}, {"3800.01", 3800.01}, {"1.5.5", 1.5}, {"", 0},
        {"14100,5", 14100}, {"3,500", 3}, {"3500 kHz", 3500}, {"$3500", 0}, {"inf", 0},
        {"0x1A", 0}, {"5\xFF", 5}, {"\xC2\xA0" "14100", 0}, {"3650.00 kHz" + junk + "\r\n1", 3650},
        // Blanks, tabs and line feeds count for nothing anywhere; a carriage return ends it.
        {"14 100", 14100}, {"\t1\t4\n100 ", 14100}, {"- 5", -5}, {"1 . 5", 1.5}, {"1 e - 3", 0.001},
        {"14100\r\n", 14100}, {"\r14100", 0}, {"14\r100", 14}, {"14\000100"s, 14},
        {std::string(1 << 16, ' ') + "7", 7},
        // Signs, and an exponent only when complete; D is no exponent.
        {"+5", 5}, {"-.5", -0.5}, {"--5", 0}, {"1e3", 1000}, {"1.e3", 1000}, {"1e3.5", 1000},
        {"3500E", 3500}, {"3500e-", 3500}, {"1ee3", 1}, {"1D3", 1},
        // &H and &O: either case, unsigned at any width, blanks ignored, nothing else prefixed.
        {"&H1F", 31}, {"&hfF", 255}, {"&H1E3", 483}, {"&O17", 15}, {"&o17", 15}, {"&H", 0},
        {"&Hg1", 0}, {"&H1.5", 1}, {"&O78", 7}, {"& H 1 0", 16}, {"&\rH1", 0}, {"-&H10", 0},
        {"&H" + std::string(16, 'F'), 18446744073709551616.0},
        {"&H" + std::string(300, 'F'), inf}, {"&O" + std::string(500, '7'), inf},
        // Magnitudes beyond a double go to infinity or zero, never NaN.
        {nines, inf}, {"-" + nines, -inf}, {nines + ".5e-9800", 1e200}, {"1e309", inf},
        {"-1e+99999999999999999999", -inf}, {"1.7976931348623158e308", 1.7976931348623157e308},
        {"1.7976931348623159e308", inf}, {"1e-400", 0}, {"-1e-99999999999999999999", 0},
        {"4.9406564584124654e-324", 4.9406564584124654e-324}, {"2e-324", 0},
        {"0." + zeros + "1e400", 0.1}, {"0." + zeros + "1e70", 0}, {"1" + zeros + "e-92", 1e308},
        {"1" + zeros + "e-91", inf}, {"0e99999999999999999999", 0},
        {"1" + zeros5000 + "e-4500", inf}, {"1" + zeros5000 + "e-5400", 0},
    };
    // clang-format on
    for (const auto& [text, expected] : table) {
        EXPECT_EQ(ReadNumber(text), expected) << testing::PrintToString(text.substr(0, 40));
    }
}

// Every text of up to three characters over those that matter, then seeded random texts of
// characters and fragments that reach the corners: each read as the reference reads it.
TEST(ReadNumber, ReadsAsTheReferenceReader) {
    const std::string characters = "0178 9+-.eE&HhOoDaF\t\n\r,x\0\x80\xFF"s;
    // clang-format off
    const std::string fragments[]{"&H", "&o", "e308", "e-308", "e-324", "e400", "0000000000",
        "999999999999999999999", "FFFFFFFFFFFFFF", "1.7976931348623157", "3500", "14 100"};
    // clang-format on
    std::vector<std::string> texts{""};
    for (std::size_t i = 0; texts[i].size() < 3; ++i) {
        for (char c : characters) {
            texts.push_back(texts[i] + c);
        }
    }
    std::minstd_rand random(20240611); // fully specified: the same texts everywhere
    for (int i = 0; i < 12000; ++i) {
        std::string text;
        for (auto pieces = random() % 14; pieces > 0; --pieces) {
            text += random() % 4 == 0 ? fragments[random() % std::size(fragments)]
                                      : characters.substr(random() % characters.size(), 1);
        }
        texts.push_back(std::move(text));
    }
    int failures = 0;
    for (const std::string& text : texts) {
        if (!test::CheckReading(text) && ++failures <= 20) {
            ADD_FAILURE() << testing::PrintToString(text) << " reads as " << ReadNumber(text)
                          << ", the reference gives " << test::ReferenceReading(text).value;
        }
    }
}

// Reading follows no locale: with a comma as the decimal separator, "3.5" is still 3.5.
TEST(ReadNumber, CommaDecimalLocaleChangesNothing) {
    std::locale comma;
    try {
        comma = std::locale("de_DE.UTF-8");
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "No de_DE.UTF-8 locale: localedef -i de_DE -f UTF-8 de_DE.UTF-8 makes one";
    }
    const std::locale saved = std::locale::global(comma); // the C library's locale too
    const std::vector<double> readings{ReadNumber("3.5"), ReadNumber("14100,5"),
                                       ReadNumber("-1.5e3"), std::strtod("0,5", nullptr)};
    std::locale::global(saved);
    EXPECT_EQ(readings, (std::vector<double>{3.5, 14100, -1500, 0.5})); // the last: it took
}

} // namespace
} // namespace veskor
