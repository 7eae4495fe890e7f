#include "ArgumentReader.h"

#include <charconv>
#include <utility>

CArgumentReader::CArgumentReader(std::vector<std::string> arguments, std::map<char, std::string> shortForms)
    : args(std::move(arguments)), shortNames(std::move(shortForms))
{
}

bool CArgumentReader::Next()
{
    if (!error.empty() || next >= args.size())
        return false;
    const std::string& arg = args[next++];
    if (arg == "--" && !optionsEnded) {
        optionsEnded = true; // what follows is not an option, even if it starts with "-"
        return Next();
    }
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
        Fail("unexpected argument '" + arg + "'");
        return false;
    }
    if (arg[1] != '-')
        return ReadShortOption(arg);
    const std::size_t equals = arg.find('=');
    hasInlineValue = equals != std::string::npos;
    name = arg.substr(0, equals);
    inlineValue = hasInlineValue ? arg.substr(equals + 1) : std::string();
    return true;
}

bool CArgumentReader::ReadShortOption(const std::string& arg)
{
    const auto found = shortNames.find(arg[1]);
    if (found == shortNames.end()) {
        Fail("unknown option " + arg.substr(0, 2));
        return false;
    }
    name = found->second;
    hasInlineValue = arg.size() > 2; // "-s5"
    inlineValue = arg.substr(2);
    return true;
}

bool CArgumentReader::TakeText(std::string& value)
{
    if (hasInlineValue) {
        value = inlineValue;
        return true;
    }
    if (next >= args.size()) {
        Fail(name + " needs a value");
        return false;
    }
    value = args[next++];
    return true;
}

bool CArgumentReader::TakeInt(int& value, int minimum, int maximum)
{
    std::string text;
    if (!TakeText(text))
        return false;
    if (!ParseInt(text, minimum, maximum, value)) {
        Fail(name + " takes a whole number from " + std::to_string(minimum) + " to " +
             std::to_string(maximum) + ", not '" + text + "'");
        return false;
    }
    return true;
}

bool CArgumentReader::NoValue()
{
    if (hasInlineValue)
        Fail(name + " takes no value");
    return !hasInlineValue;
}

void CArgumentReader::Fail(std::string message)
{
    if (error.empty())
        error = std::move(message);
}

bool ParseInt(const std::string& text, int minimum, int maximum, int& value)
{
    int parsed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || error != std::errc() || stop != end || parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}
