// The stand-in host's script commands, one table row each, and the running of a line.
#include "script_command.h"

#include <algorithm>

namespace veskor {
namespace {

struct Verb {
    std::string_view word;
    std::string_view arguments; // an item, then the rest of the line after one space; or none
    std::string_view meaning;   // for the help text, lines split by \n
    void (*run)(ScriptTarget& target, HostItem item, std::string text);
};

constexpr Verb kVerbs[] = {
    {"set", "<Item> <text>",
     "the value becomes <text>: the rest of the line\nafter one space (may be empty or hold "
     "blanks)",
     [](ScriptTarget& target, HostItem item, std::string text) {
         target.Set(item, std::move(text));
     }},
    {"quit", "", "end (so does the end of the input)",
     [](ScriptTarget& target, HostItem, std::string) { target.Quit(); }},
};

constexpr std::size_t kHelpIndent = 35;

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

// Answers are one line each, whatever the bytes of the command that caused them.
std::string Error(std::string why) {
    why.resize(std::min<std::size_t>(why.size(), 200));
    std::replace_if(
        why.begin(), why.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return "error " + why;
}

} // namespace

std::string RunScriptLine(std::string_view line, ScriptTarget& target) {
    std::string_view rest = line;
    const std::string_view word = NextWord(rest);
    if (word.empty() || word[0] == '#') { // a blank line or a comment
        return "ok";
    }
    const Verb* verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [&](const Verb& known) { return known.word == word; });
    if (verb == std::end(kVerbs)) {
        return Error("unknown command '" + std::string(word.substr(0, 40)) + "' (try --help)");
    }
    if (verb->arguments.empty()) {
        if (!std::all_of(rest.begin(), rest.end(), IsBlank)) {
            return Error(std::string(word) + " takes no argument");
        }
        verb->run(target, {}, {});
        return "ok";
    }
    const std::string_view name = NextWord(rest);
    const std::optional<HostItem> item = ItemNamed(name);
    if (!item) {
        return Error(name.empty() ? std::string(word) + " needs a name"
                                  : "unknown item '" + std::string(name) + "' (Khz, Az, Command)");
    }
    rest.remove_prefix(std::min<std::size_t>(rest.size(), 1)); // the one space after the name
    verb->run(target, *item, std::string(rest));
    return "ok";
}

std::string ScriptHelp() {
    std::string help;
    for (const Verb& verb : kVerbs) {
        std::string usage = "  " + std::string(verb.word) + " " + std::string(verb.arguments);
        usage.resize(kHelpIndent, ' ');
        for (char c : verb.meaning) {
            usage += c == '\n' ? "\n" + std::string(kHelpIndent, ' ') : std::string(1, c);
        }
        help += usage + "\n";
    }
    return help + "Items: Khz, Az (topic QSO), Command (topic CAT). Every line is answered\n"
                  "by one line: ok, or error <why>. Lines starting with # are comments.\n";
}

} // namespace veskor
