#pragma once

// Sets environment variables for one test and puts the old values back afterwards.

#include "support/TestSystem.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedEnvironment
{
public:
    // A null value unsets the variable.
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            Set(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            Set(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    static void Set(const char* name, const char* value) { testsystem::SetEnvironment(name, value); }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};
