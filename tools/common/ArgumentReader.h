#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Walks "--name value", "--name=value", "-n value" and "-nvalue" options; "--" ends the
// options. Every failure leaves a message in Error() and makes the next Next() return false,
// so a parser loop stays a plain switch on Name(), which is always the long name.
class CArgumentReader
{
public:
    // shortNames maps a one-letter form ('s') to its long name ("--seconds").
    explicit CArgumentReader(std::vector<std::string> args, std::map<char, std::string> shortNames = {});

    // Moves to the next option; false at the end or after an error.
    bool Next();
    const std::string& Name() const { return name; }

    bool TakeText(std::string& value);
    bool TakeInt(int& value, int minimum, int maximum);
    // For options without a value: refuses "--flag=value" and "-fvalue".
    bool NoValue();

    void Fail(std::string message);
    const std::string& Error() const { return error; }

private:
    bool ReadShortOption(const std::string& arg);

    std::vector<std::string> args;
    std::map<char, std::string> shortNames;
    std::size_t next = 0;
    bool optionsEnded = false;
    std::string name;
    std::string inlineValue;
    bool hasInlineValue = false;
    std::string error;
};

// Strict decimal integer in [minimum, maximum]: no sign other than a leading '-', no blanks.
bool ParseInt(const std::string& text, int minimum, int maximum, int& value);
