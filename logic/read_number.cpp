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

// &H and &O integers are unsigned and accumulate in a double, so any number of digits reads
// without failing (a very long run of digits ends up as infinity, never as a wrapped value).
double ReadPrefixedInteger(std::string_view digits, int base) {
    double value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            break;
        }
        value = value * base + digit;
    }
    return value;
}

// The length of the longest beginning of text that is a decimal number: sign, digits, an optional
// full stop with digits, at least one digit in all, then an optional complete exponent. Only E
// marks an exponent; D does not. 0 when the text has no such beginning.
std::size_t DecimalNumberLength(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    std::size_t digits = 0;
    while (at < text.size() && IsDecimalDigit(text[at])) {
        ++at;
        ++digits;
    }
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsDecimalDigit(text[at])) {
            ++at;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    // An E without a complete exponent ends the number before the E.
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponentAt = at + 1;
        if (exponentAt < text.size() && (text[exponentAt] == '+' || text[exponentAt] == '-')) {
            ++exponentAt;
        }
        if (exponentAt < text.size() && IsDecimalDigit(text[exponentAt])) {
            while (exponentAt < text.size() && IsDecimalDigit(text[exponentAt])) {
                ++exponentAt;
            }
            at = exponentAt;
        }
    }
    return at;
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

double ReadDecimal(std::string_view text) {
    const std::size_t length = DecimalNumberLength(text);
    if (length == 0) {
        return 0;
    }
    std::string_view number = text.substr(0, length);
    const bool negative = number.front() == '-';
    if (number.front() == '+' || number.front() == '-') {
        number.remove_prefix(1);
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
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (!IsIgnoredBlank(c)) {
            kept.push_back(c);
        }
    }
    const std::string_view rest = kept;
    if (rest.size() >= 2 && rest[0] == '&') {
        const char prefix = rest[1];
        if (prefix == 'H' || prefix == 'h') {
            return ReadPrefixedInteger(rest.substr(2), 16);
        }
        if (prefix == 'O' || prefix == 'o') {
            return ReadPrefixedInteger(rest.substr(2), 8);
        }
    }
    return ReadDecimal(rest);
}

} // namespace veskor
