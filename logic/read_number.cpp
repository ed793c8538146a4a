// How a field text reads as a number: blanks ignored anywhere, &H and &O prefixes, otherwise the
// longest decimal beginning with the full stop as separator, whatever the process locale.
#include "rules.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace veskor {

namespace {

bool IsIgnoredBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of c as a digit of the base (16 or 8), or the base itself when c is no such digit.
int DigitValue(char c, int base) {
    int value = base;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return std::min(value, base);
}

// The characters of a text with its blanks, tabs and line feeds skipped wherever they stand, read
// only as far as the number goes: a long text costs no more than its number and the blanks before.
class NumberCharacters {
public:
    explicit NumberCharacters(std::string_view text) : text_(text) {}

    // The next character that counts, or NUL at the end (a NUL in the text ends a number too).
    char Peek() {
        while (at_ < text_.size() && IsIgnoredBlank(text_[at_])) {
            ++at_;
        }
        return at_ < text_.size() ? text_[at_] : char{};
    }
    // Takes the character that Peek has just returned.
    void TakePeeked() { ++at_; }
    // Appends the decimal digits that follow (blanks between them skipped) to out.
    void TakeDigits(std::string& out) {
        for (; at_ < text_.size(); ++at_) {
            const char c = text_[at_];
            if (IsDecimalDigit(c)) {
                out.push_back(c);
            } else if (!IsIgnoredBlank(c)) {
                break;
            }
        }
    }
    // Takes the next character when it is one of these, and returns it; else returns NUL.
    char TakeOneOf(std::string_view choices) {
        const char c = Peek();
        const bool taken = choices.find(c) != std::string_view::npos;
        if (taken) {
            ++at_;
        }
        return taken ? c : char{};
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// &H and &O integers are unsigned and accumulate in a double, so any number of digits reads
// without failing (a very long run of digits ends up as infinity, never as a wrapped value).
double ReadPrefixedInteger(NumberCharacters& in, int base) {
    double value = 0;
    for (int digit = DigitValue(in.Peek(), base); digit < base;
         digit = DigitValue(in.Peek(), base)) {
        value = value * base + digit;
        in.TakePeeked();
    }
    return value;
}

// The characters that can make up a decimal number, as far as they go: a sign, digits, a full
// stop and digits, then E, a sign and digits. A plus sign is dropped (from_chars takes none), and
// the exponent letter is written as e. Which beginning of them is a number, from_chars decides:
// at least one digit before the exponent, and an E without a complete exponent ends the number.
std::string TakeDecimalCharacters(NumberCharacters& in) {
    std::string number;
    if (in.TakeOneOf("+-") == '-') {
        number.push_back('-');
    }
    in.TakeDigits(number);
    if (const char point = in.TakeOneOf(".")) {
        number.push_back(point);
        in.TakeDigits(number);
    }
    if (in.TakeOneOf("eE")) {
        number.push_back('e');
        if (const char sign = in.TakeOneOf("+-")) {
            number.push_back(sign);
        }
        in.TakeDigits(number);
    }
    return number;
}

// Whether a decimal number that a double cannot hold is too large rather than too small. Such a
// number lies hundreds of powers of ten away from 1, so the power of ten of its first significant
// digit (give or take one) plus its exponent tells which.
bool IsTooLarge(std::string_view number) {
    const std::size_t exponentAt = std::min(number.find('e'), number.size());
    const std::string_view mantissa(number.data(), exponentAt);
    const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
    const auto magnitude = point - static_cast<long long>(mantissa.find_first_of("123456789"));
    constexpr long long kLargeEnough = 1'000'000'000'000LL; // far beyond any double
    long long exponent{};
    for (char c : number.substr(exponentAt)) {
        if (IsDecimalDigit(c)) {
            exponent = std::min(exponent * 10 + (c - '0'), kLargeEnough);
        }
    }
    return (number.find("e-") == std::string_view::npos ? magnitude + exponent
                                                        : magnitude - exponent) > 0;
}

double ReadDecimal(NumberCharacters& in) {
    const std::string number = TakeDecimalCharacters(in);
    double value{}; // stays 0 when the characters do not begin with a number
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Beyond the range of a double: infinity when too large, zero when too small.
        value = IsTooLarge({number.data(), end}) ? std::numeric_limits<double>::infinity() : 0.0;
        return number.front() == '-' ? -value : value;
    }
    return value;
}

} // namespace

double ReadNumber(std::string_view text) {
    NumberCharacters in(text);
    if (!in.TakeOneOf("&")) {
        return ReadDecimal(in);
    }
    // An ampersand cannot begin a decimal number: without &H or &O the text reads as 0.
    if (in.TakeOneOf("Hh")) {
        return ReadPrefixedInteger(in, 16);
    }
    return in.TakeOneOf("Oo") ? ReadPrefixedInteger(in, 8) : 0;
}

} // namespace veskor
