// How a field text reads as a number: blanks ignored anywhere, &H and &O prefixes, otherwise the
// longest decimal beginning with the full stop as separator, whatever the process locale.
#include "rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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

// The value of c as a digit of base 16 or 8, or -1.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
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
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    void Skip() {
        Peek();
        ++at_;
    }
    // Appends the decimal digits that follow (blanks between them skipped) to out; returns how
    // many there were.
    std::size_t TakeDigits(std::string& out) {
        const std::size_t before = out.size();
        for (; at_ < text_.size(); ++at_) {
            const char c = text_[at_];
            if (IsDecimalDigit(c)) {
                out.push_back(c);
            } else if (!IsIgnoredBlank(c)) {
                break;
            }
        }
        return out.size() - before;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// &H and &O integers are unsigned and accumulate in a double, so any number of digits reads
// without failing (a very long run of digits ends up as infinity, never as a wrapped value).
double ReadPrefixedInteger(NumberCharacters& in, int base) {
    double value = 0;
    for (int digit = DigitValue(in.Peek(), base); digit >= 0; digit = DigitValue(in.Peek(), base)) {
        value = value * base + digit;
        in.Skip();
    }
    return value;
}

// The longest beginning that is a decimal number, without its sign: digits, an optional full stop
// with digits, at least one digit in all, then an optional complete exponent. Only E marks an
// exponent; D does not. Empty when there is no such beginning.
std::string TakeDecimalNumber(NumberCharacters& in, bool& negative) {
    std::string number;
    const char sign = in.Peek();
    negative = sign == '-';
    if (sign == '+' || sign == '-') {
        in.Skip();
    }
    std::size_t digits = in.TakeDigits(number);
    if (in.Peek() == '.') {
        number.push_back('.');
        in.Skip();
        digits += in.TakeDigits(number);
    }
    if (digits == 0) {
        return {};
    }
    // An E without a complete exponent ends the number before the E.
    if (const char e = in.Peek(); e == 'e' || e == 'E') {
        std::string exponent(1, 'e');
        in.Skip();
        if (const char exponentSign = in.Peek(); exponentSign == '+' || exponentSign == '-') {
            exponent.push_back(exponentSign);
            in.Skip();
        }
        if (in.TakeDigits(exponent) > 0) {
            number += exponent;
        }
    }
    return number;
}

// Whether a well-formed decimal number that a double cannot hold is too large (rather than too
// small): the power of ten of its first significant digit is above zero.
bool IsTooLarge(std::string_view number) {
    long long magnitude = 0; // power of ten of the first significant digit, plus one
    bool seenPoint = false;
    bool seenSignificant = false;
    std::size_t at = 0;
    for (; at < number.size() && number[at] != 'e' && number[at] != 'E'; ++at) {
        const char c = number[at];
        if (c == '.') {
            seenPoint = true;
        } else if (IsDecimalDigit(c)) {
            if (!seenSignificant && c == '0') {
                if (seenPoint) {
                    --magnitude;
                }
            } else if (!seenSignificant) {
                seenSignificant = true;
                if (!seenPoint) {
                    ++magnitude;
                }
            } else if (!seenPoint) {
                ++magnitude;
            }
        }
    }
    long long exponent = 0;
    bool negativeExponent = false;
    if (at < number.size()) {
        ++at;
        if (at < number.size() && (number[at] == '+' || number[at] == '-')) {
            negativeExponent = number[at] == '-';
            ++at;
        }
        constexpr long long kLargeEnough = 1'000'000'000'000LL; // far beyond any double
        for (; at < number.size(); ++at) {
            exponent = std::min(exponent * 10 + (number[at] - '0'), kLargeEnough);
        }
    }
    return magnitude + (negativeExponent ? -exponent : exponent) > 0;
}

double ReadDecimal(NumberCharacters& in) {
    bool negative = false;
    const std::string number = TakeDecimalNumber(in, negative);
    if (number.empty()) {
        return 0;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Beyond the range of a double: infinity when too large, zero when too small.
        value = IsTooLarge(number) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{}) {
        value = 0; // cannot happen for a well-formed number, but never read an unset value
    }
    return negative ? -value : value;
}

} // namespace

double ReadNumber(std::string_view text) {
    NumberCharacters in(text);
    if (in.Peek() != '&') {
        return ReadDecimal(in);
    }
    // An ampersand cannot begin a decimal number: without &H or &O the text reads as 0.
    in.Skip();
    const char prefix = in.Peek();
    in.Skip();
    if (prefix == 'H' || prefix == 'h') {
        return ReadPrefixedInteger(in, 16);
    }
    return prefix == 'O' || prefix == 'o' ? ReadPrefixedInteger(in, 8) : 0;
}

} // namespace veskor
