#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Walks "--name value" and "--name=value" options. Every failure leaves a message in Error()
// and makes the next Next() return false, so a parser loop stays a plain switch on Name().
class CArgumentReader
{
public:
    explicit CArgumentReader(std::vector<std::string> args);

    // Moves to the next option; false at the end or after an error.
    bool Next();
    const std::string& Name() const { return m_name; }

    bool TakeText(std::string& value);
    bool TakeInt(int& value, int minimum, int maximum);
    // For options without a value: refuses "--flag=value".
    bool NoValue();

    void Fail(std::string message);
    const std::string& Error() const { return m_error; }

private:
    std::vector<std::string> m_args;
    std::size_t m_next = 0;
    std::string m_name;
    std::string m_inlineValue;
    bool m_hasInlineValue = false;
    std::string m_error;
};

// Strict decimal integer in [minimum, maximum]: no sign other than a leading '-', no blanks.
bool ParseInt(const std::string& text, int minimum, int maximum, int& value);
