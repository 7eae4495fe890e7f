#include "ArgumentReader.h"

#include <charconv>
#include <utility>

CArgumentReader::CArgumentReader(std::vector<std::string> args, std::map<char, std::string> shortNames)
    : m_args(std::move(args)), m_shortNames(std::move(shortNames))
{
}

bool CArgumentReader::Next()
{
    if (!m_error.empty() || m_next >= m_args.size())
        return false;
    const std::string& arg = m_args[m_next++];
    if (arg == "--" && !m_optionsEnded) {
        m_optionsEnded = true; // what follows is not an option, even if it starts with "-"
        return Next();
    }
    if (m_optionsEnded || arg.size() < 2 || arg[0] != '-') {
        Fail("unexpected argument '" + arg + "'");
        return false;
    }
    if (arg[1] != '-')
        return ReadShortOption(arg);
    const std::size_t equals = arg.find('=');
    m_hasInlineValue = equals != std::string::npos;
    m_name = arg.substr(0, equals);
    m_inlineValue = m_hasInlineValue ? arg.substr(equals + 1) : std::string();
    return true;
}

bool CArgumentReader::ReadShortOption(const std::string& arg)
{
    const auto found = m_shortNames.find(arg[1]);
    if (found == m_shortNames.end()) {
        Fail("unknown option " + arg.substr(0, 2));
        return false;
    }
    m_name = found->second;
    m_hasInlineValue = arg.size() > 2; // "-s5"
    m_inlineValue = arg.substr(2);
    return true;
}

bool CArgumentReader::TakeText(std::string& value)
{
    if (m_hasInlineValue) {
        value = m_inlineValue;
        return true;
    }
    if (m_next >= m_args.size()) {
        Fail(m_name + " needs a value");
        return false;
    }
    value = m_args[m_next++];
    return true;
}

bool CArgumentReader::TakeInt(int& value, int minimum, int maximum)
{
    std::string text;
    if (!TakeText(text))
        return false;
    if (!ParseInt(text, minimum, maximum, value)) {
        Fail(m_name + " takes a whole number from " + std::to_string(minimum) + " to " +
             std::to_string(maximum) + ", not '" + text + "'");
        return false;
    }
    return true;
}

bool CArgumentReader::NoValue()
{
    if (m_hasInlineValue)
        Fail(m_name + " takes no value");
    return !m_hasInlineValue;
}

void CArgumentReader::Fail(std::string message)
{
    if (m_error.empty())
        m_error = std::move(message);
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
