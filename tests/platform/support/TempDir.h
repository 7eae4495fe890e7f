#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempDir
{
public:
    CTempDir()
    {
        // A name nobody else holds: creating the folder fails when it exists already.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("travelkin-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error))
                path = candidate;
        }
    }
    ~CTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // Empty when no folder could be made.
    const std::filesystem::path& Root() const { return path; }
    std::filesystem::path Path(std::string_view name) const { return path / name; }

    std::string Write(std::string_view name, std::string_view text) const
    {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name).string();
    }

private:
    std::filesystem::path path;
};
