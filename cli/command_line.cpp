#include "cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "base/exact_decimal.h"

namespace {
constexpr std::size_t kShownArgumentBytes = 64;  // a longer argument is cut in messages

// An argument as a message shows it: cut when long.
std::string Shown(std::string_view argument)
{
    if (argument.size() <= kShownArgumentBytes)
        return std::string(argument);
    std::size_t cut = kShownArgumentBytes;
    while (cut > 0 && (static_cast<unsigned char>(argument[cut]) & 0xC0) == 0x80)
        --cut;  // not inside a UTF-8 sequence
    return std::string(argument.substr(0, cut)) + "...";
}

std::string Quoted(std::string_view argument) { return "'" + Shown(argument) + "'"; }

// An option's value, shown unquoted unless it is empty.
std::string Value(std::string_view argument) { return argument.empty() ? "''" : Shown(argument); }

// "a", "a or b", "a, b or c".
std::string Choices(const std::vector<std::string>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

// The value of text when it is decimal digits alone and fits 64 bits.
bool ReadDigits(std::string_view text, uint64_t& value)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string Range(uint64_t min, uint64_t max) { return "from " + std::to_string(min) + " to " + std::to_string(max); }


bool StartsLikeAnOption(const std::string& argument)
{
    return argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9');
}

// A sentence of the parser's in kvs's manner: lowercase first word, no full stop.
std::string Lowered(std::string text)
{
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1])))
        text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    while (!text.empty() && (text.back() == '.' || text.back() == '\n'))
        text.pop_back();
    return text;
}

// The edits (insertions, deletions, substitutions, swaps of neighbours) that
// turn one word into the other.
std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// " (did you mean 'x'?)" for the known name nearest the given one, when it
// is a slip away (at most 2 edits, and fewer than a third of the word).
std::string Suggestion(std::string_view given, const std::vector<std::string>& known)
{
    std::string best;
    std::size_t bestDistance = std::min<std::size_t>(3, given.size() / 3 + 1);
    for (const std::string& name : known)
        if (const std::size_t distance = EditDistance(given, name); distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    return best.empty() ? std::string() : " (did you mean '" + best + "'?)";
}

std::vector<std::string> OptionNames(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames())
            names.push_back("--" + name);
        for (const std::string& name : option->get_snames())
            names.push_back("-" + name);
    }
    return names;
}

std::vector<std::string> CommandNames(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands(nullptr))
        names.push_back(command->get_name());
    return names;
}

std::string CommandChoices(const CLI::App& app) { return Choices(CommandNames(app)); }

// "unknown option '--x'" for the first argument nobody took; empty when none is left.
std::string FirstUnknown(const CLI::App& app, const CLI::App* command)
{
    std::vector<std::string> left = command ? command->remaining() : std::vector<std::string>{};
    if (left.empty())
        left = app.remaining();
    if (left.empty())
        return {};
    if (StartsLikeAnOption(left[0]))
        return "unknown option " + Quoted(left[0]) +
               Suggestion(std::string_view(left[0]).substr(0, left[0].find('=')), OptionNames(command ? *command : app));
    if (!command)
        return "unknown command " + Quoted(left[0]) + Suggestion(left[0], CommandNames(app)) + "; expected " +
               CommandChoices(app);
    return "unexpected argument " + Quoted(left[0]);
}

// The parser's errors are told apart by their class: some carry the name of
// the command that raised them in place of their own.
template <typename Kind>
bool Is(const CLI::ParseError& error)
{
    return dynamic_cast<const Kind*>(&error) != nullptr;
}

// "NAME: rest" split at its first ": ".
std::pair<std::string, std::string> NameAndRest(const std::string& text)
{
    const std::size_t colon = text.find(": ");
    if (colon == std::string::npos)
        return {text, {}};
    return {text.substr(0, colon), text.substr(colon + 2)};
}

std::string Reworded(const CLI::App& app, const CLI::App* command, const CLI::ParseError& error)
{
    const std::string text = error.what();
    const bool required = Is<CLI::RequiredError>(error);
    const bool mismatch = Is<CLI::ArgumentMismatch>(error);
    if (required || mismatch || Is<CLI::ExtrasError>(error)) {
        // An option mistyped is the news, more than what is then missing.
        if (std::string unknown = FirstUnknown(app, command); !unknown.empty())
            return unknown;
    }
    const auto [name, rest] = NameAndRest(text);
    if (required) {
        if (!command)
            return "no command given; expected " + CommandChoices(app);
        if (text.ends_with(" is required"))
            return "missing " + text.substr(0, text.size() - std::string_view(" is required").size());
    }
    if (Is<CLI::ValidationError>(error) && !rest.empty())
        return name + " " + rest;  // our checks say "VALUE: expected ..."
    if (mismatch && rest.ends_with(" missing"))
        return name + " needs a value";
    if (mismatch && rest.starts_with("At Most "))
        return name + " is given more than once";
    if (Is<CLI::ConversionError>(error) && text.starts_with("Could not convert: ")) {
        const std::string given = text.substr(std::string_view("Could not convert: ").size());
        const std::size_t equals = given.find(" = ");
        if (equals != std::string::npos)
            return given.substr(0, equals) + " " + Value(given.substr(equals + 3)) + ": not a value it takes";
    }
    return Lowered(text);
}
} // namespace

void DescribeKvs(CLI::App& app, const std::string& version)
{
    app.name("kvs");
    app.description("Finds the subset of mutually closest vectors in a table of integer vectors.");
    app.set_version_flag("--version", version, "Print the version and exit");
    app.require_subcommand(1);
    app.footer("Exit codes: 0 done, 1 failed while running, 2 bad arguments or input, 130 interrupted.\n"
               "Run 'kvs COMMAND --help' for a command's options.");
}

CLI::Validator WholeNumber(uint64_t min, uint64_t max)
{
    return CLI::Validator(
        [min, max](std::string& text) -> std::string {
            uint64_t value = 0;
            if (!ReadDigits(text, value) || value < min || value > max)
                return Value(text) + ": expected a whole number " + Range(min, max);
            text = std::to_string(value);
            return {};
        },
        "");
}

CLI::Validator WholeNumberList(uint64_t min, uint64_t max, bool distinct)
{
    return CLI::Validator(
        [min, max, distinct](std::string& text) -> std::string {
            std::vector<uint64_t> seen;
            std::string_view rest = text;
            while (true) {
                const std::string_view item = rest.substr(0, rest.find(','));
                uint64_t value = 0;
                if (!ReadDigits(item, value) || value < min || value > max)
                    return Value(text) + ": expected whole numbers " + Range(min, max) + ", separated by commas";
                if (distinct && std::find(seen.begin(), seen.end(), value) != seen.end())
                    return Value(text) + ": " + std::to_string(value) + " is given twice";
                seen.push_back(value);
                if (item.size() == rest.size())
                    return {};
                rest.remove_prefix(item.size() + 1);
            }
        },
        "");
}

CLI::Validator PositiveDecimal(bool atMostOne)
{
    return CLI::Validator(
        [atMostOne](std::string& text) -> std::string {
            ExactDecimal value;
            const NumberSyntax syntax = ParseExactDecimal(text, value);
            if (syntax == NumberSyntax::TooPrecise)
                return Value(text) + ": more than " + std::to_string(kMaxSignificantDigits) +
                       " significant digits, too many to read exactly";
            int64_t ceiling = 0;
            const bool positive = (syntax == NumberSyntax::Integer || syntax == NumberSyntax::Decimal) &&
                                  !value.negative && value.mantissa != 0;
            if (atMostOne && !(positive && CeilingOfProduct(value, 1, ceiling) && ceiling <= 1))
                return Value(text) + ": expected a fraction above 0 and at most 1";
            if (!positive)
                return Value(text) + ": expected a number above 0";
            return {};
        },
        "");
}

CLI::Validator OneOf(std::vector<std::string> names)
{
    return CLI::Validator(
        [names](std::string& text) -> std::string {
            if (std::find(names.begin(), names.end(), text) != names.end())
                return {};
            return Value(text) + ": expected " + Choices(names);
        },
        "");
}

std::vector<int64_t> NumbersOfList(std::string_view list)
{
    std::vector<int64_t> numbers;
    while (!list.empty()) {
        const std::string_view item = list.substr(0, list.find(','));
        int64_t value = 0;
        std::from_chars(item.data(), item.data() + item.size(), value);
        numbers.push_back(value);
        list.remove_prefix(std::min(list.size(), item.size() + 1));
    }
    return numbers;
}

ToolError ParseFailure(const CLI::App& app, const CLI::ParseError& error)
{
    const std::vector<CLI::App*> given = app.get_subcommands();
    const CLI::App* command = given.empty() ? nullptr : given.back();
    return ArgumentError(command ? command->get_name() : "", Reworded(app, command, error));
}
