// Parsing of the stand-in host's script lines, and the values a burst publishes.
#include "script_command.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace veskor {

const char kScriptHelp[] =
    "  set <Item> <text>                the value becomes <text>: the rest of the line\n"
    "                                   after one space (may be empty or hold blanks)\n"
    "  sethex <Item> <hex bytes>        exactly these bytes, served without a NUL\n"
    "  fill <Item> <count> <char>       <count> copies of one character\n"
    "  burst <Item> <count> <first> <step>\n"
    "                                   publishes first, first+step, ... at full speed\n"
    "  refuse-item <Item>, accept-item <Item>\n"
    "                                   refuse or accept new hot links and requests\n"
    "  refuse-topic <Topic>, accept-topic <Topic>\n"
    "                                   refuse or accept new conversations\n"
    "  hang                             accept conversations, answer nothing more\n"
    "  freeze                           stop handling messages at all\n"
    "  quit                             end (so does the end of the input)\n"
    "Items: Khz, Az (topic QSO), Command (topic CAT). Every line is answered\n"
    "by one line: ok, or error <why>. Lines starting with # are comments.\n";

namespace {

constexpr int kMaxDecimals = 6;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits off the next word; words are separated by single or repeated blanks.
std::string_view NextWord(std::string_view& rest) {
    std::size_t start = 0;
    while (start < rest.size() && IsBlank(rest[start])) {
        ++start;
    }
    std::size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end])) {
        ++end;
    }
    std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

bool OnlyBlanks(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsBlank);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseCount(std::string_view word, std::uint64_t limit, std::uint64_t& count) {
    if (word.empty() ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), count);
    return error == std::errc() && end == word.data() + word.size() && count <= limit;
}

// [+-]digits[.digits], or [+-].digits; at most kMaxDecimals decimals and 12 digits in all.
bool ParseDecimal(std::string_view word, DecimalNumber& number) {
    bool negative = false;
    if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    std::size_t point = word.find('.');
    std::string_view whole = word.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : word.substr(point + 1);
    if ((whole.empty() && fraction.empty()) ||
        (point != std::string_view::npos && fraction.empty()) || fraction.size() > kMaxDecimals ||
        whole.size() + fraction.size() > 12) {
        return false;
    }
    std::int64_t units = 0;
    for (std::string_view digits : {whole, fraction}) {
        for (char c : digits) {
            if (c < '0' || c > '9') {
                return false;
            }
            units = units * 10 + (c - '0');
        }
    }
    number.units = negative ? -units : units;
    number.decimals = static_cast<int>(fraction.size());
    return true;
}

std::int64_t PowerOfTen(int exponent) {
    std::int64_t power = 1;
    while (exponent-- > 0) {
        power *= 10;
    }
    return power;
}

ScriptCommand Fail(std::string why) {
    ScriptCommand command;
    command.error = std::move(why);
    return command;
}

struct VerbName {
    std::string_view word;
    ScriptVerb verb;
};

constexpr VerbName kVerbs[] = {
    {"set", ScriptVerb::Set},
    {"sethex", ScriptVerb::SetHex},
    {"fill", ScriptVerb::Fill},
    {"burst", ScriptVerb::Burst},
    {"refuse-item", ScriptVerb::RefuseItem},
    {"accept-item", ScriptVerb::AcceptItem},
    {"refuse-topic", ScriptVerb::RefuseTopic},
    {"accept-topic", ScriptVerb::AcceptTopic},
    {"hang", ScriptVerb::Hang},
    {"freeze", ScriptVerb::Freeze},
    {"quit", ScriptVerb::Quit},
};

} // namespace

ScriptCommand ParseScriptLine(std::string_view line) {
    if (OnlyBlanks(line) || line[line.find_first_not_of(" \t")] == '#') {
        return {};
    }
    std::string_view rest = line;
    std::string_view word = NextWord(rest);
    const VerbName* found = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                         [&](const VerbName& verb) { return verb.word == word; });
    if (found == std::end(kVerbs)) {
        return Fail("unknown command '" + std::string(word.substr(0, 40)) + "' (try --help)");
    }
    ScriptCommand command;
    command.verb = found->verb;

    switch (command.verb) {
    case ScriptVerb::Hang:
    case ScriptVerb::Freeze:
    case ScriptVerb::Quit:
        if (!OnlyBlanks(rest)) {
            return Fail(std::string(word) + " takes no argument");
        }
        return command;
    default:
        break;
    }

    command.name = std::string(NextWord(rest));
    if (command.name.empty()) {
        return Fail(std::string(word) + " needs a name");
    }

    switch (command.verb) {
    case ScriptVerb::Set:
        // The value is everything after the one space that ends the name, blanks included.
        if (!rest.empty()) {
            rest.remove_prefix(1);
        }
        if (rest.size() > kMaxValueBytes) {
            return Fail("value longer than the limit");
        }
        command.value = std::string(rest);
        return command;
    case ScriptVerb::SetHex: {
        std::string bytes;
        int high = -1;
        for (char c : rest) {
            if (IsBlank(c)) {
                continue;
            }
            int digit = HexDigit(c);
            if (digit < 0) {
                return Fail("not a hex digit: '" + std::string(1, c) + "'");
            }
            if (high < 0) {
                high = digit;
            } else {
                bytes.push_back(static_cast<char>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0) {
            return Fail("odd number of hex digits");
        }
        // DDE has no data of zero bytes (Wine's DDEML cannot even make one): an empty value is
        // `set <Item>`, which serves a lone NUL.
        if (bytes.empty()) {
            return Fail("sethex needs at least one byte");
        }
        command.value = std::move(bytes);
        command.terminated = false;
        return command;
    }
    case ScriptVerb::Fill: {
        std::uint64_t count = 0;
        if (!ParseCount(NextWord(rest), kMaxValueBytes, count)) {
            return Fail("fill needs a count from 0 to " + std::to_string(kMaxValueBytes));
        }
        // The character follows one space; it may itself be a blank.
        if (rest.size() != 2 || rest[0] != ' ') {
            return Fail("fill needs exactly one character after the count");
        }
        command.value.assign(count, rest[1]);
        return command;
    }
    case ScriptVerb::Burst: {
        std::uint64_t count = 0;
        if (!ParseCount(NextWord(rest), kMaxBurst, count)) {
            return Fail("burst needs a count from 0 to " + std::to_string(kMaxBurst));
        }
        command.count = static_cast<std::uint32_t>(count);
        if (!ParseDecimal(NextWord(rest), command.first) ||
            !ParseDecimal(NextWord(rest), command.step)) {
            return Fail("burst needs a first value and a step, such as 14000.00 0.01");
        }
        // Every value, scaled to the common decimals, must fit the 64-bit arithmetic of BurstValue.
        int decimals = std::max(command.first.decimals, command.step.decimals);
        double largest = std::abs(static_cast<double>(command.first.units)) *
                             PowerOfTen(decimals - command.first.decimals) +
                         std::abs(static_cast<double>(command.step.units)) *
                             PowerOfTen(decimals - command.step.decimals) *
                             static_cast<double>(command.count);
        if (largest > 1e18) {
            return Fail("burst values out of range");
        }
        break;
    }
    default:
        break;
    }
    if (!OnlyBlanks(rest)) {
        return Fail("unexpected text after the arguments of " + std::string(word));
    }
    return command;
}

std::string BurstValue(const ScriptCommand& burst, std::uint32_t index) {
    int decimals = std::max(burst.first.decimals, burst.step.decimals);
    std::int64_t first = burst.first.units * PowerOfTen(decimals - burst.first.decimals);
    std::int64_t step = burst.step.units * PowerOfTen(decimals - burst.step.decimals);
    std::int64_t units = first + static_cast<std::int64_t>(index) * step;

    // The sign is written apart so that -0.50 keeps it although its whole part is 0.
    std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    std::uint64_t scale = static_cast<std::uint64_t>(PowerOfTen(decimals));
    std::string text = units < 0 ? "-" : "";
    text += std::to_string(magnitude / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % scale);
        text += '.';
        text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

} // namespace veskor
