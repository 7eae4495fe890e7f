#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempDir
{
public:
    CTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "travelkin-test-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~CTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    std::filesystem::path Path(std::string_view name) const { return m_path / name; }

    std::string Write(std::string_view name, std::string_view text) const
    {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name).string();
    }

private:
    std::filesystem::path m_path;
};
