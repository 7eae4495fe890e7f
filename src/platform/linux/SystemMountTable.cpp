#include "platform/linux/SystemMountTable.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

namespace {

constexpr std::string_view kSmbScheme = "smb://";
constexpr std::array<std::string_view, 3> kKernelShareTypes = {"cifs", "smb3", "smbfs"};

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, end - start));
        pos = end;
    }
    return fields;
}

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// The mount table writes space, tab, newline and backslash in paths as \040, \011, \012, \134.
std::string DecodeMountText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && IsOctalDigit(text[i + 1]) &&
            IsOctalDigit(text[i + 2]) && IsOctalDigit(text[i + 3])) {
            const int value = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            if (value > 0 && value < 256) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool IsKernelShareType(std::string_view type)
{
    return std::find(kKernelShareTypes.begin(), kKernelShareTypes.end(), type) != kKernelShareTypes.end();
}

// One mountinfo line: id, parent, major:minor, root, mount point, options, optional fields,
// "-", file system type, source, super options.
std::optional<KernelShareMount> ParseMountInfoLine(std::string_view line)
{
    const std::vector<std::string_view> fields = SplitFields(line);
    const auto separator = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < 6 || separator - fields.begin() < 6 || fields.end() - separator < 3)
        return std::nullopt; // not a well-formed line
    if (!IsKernelShareType(separator[1]))
        return std::nullopt;
    KernelShareMount mount{DecodeMountText(separator[2]), DecodeMountText(fields[4])};
    if (mount.strMountPoint.empty() || mount.strMountPoint.front() != '/')
        return std::nullopt; // only absolute mount points are ever handed to other programs
    return mount;
}

// "Mount(0): share on host -> smb://host/share/", possibly indented under a volume.
std::optional<std::string> ParseGioMountLine(std::string_view line)
{
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos || line.substr(start).rfind("Mount(", 0) != 0)
        return std::nullopt;
    const std::size_t arrow = line.rfind(" -> ");
    if (arrow == std::string_view::npos)
        return std::nullopt;
    std::string_view uri = line.substr(arrow + 4);
    if (uri.rfind(kSmbScheme, 0) != 0 || uri.find_first_of(" \t\r") != std::string_view::npos)
        return std::nullopt; // not an SMB share, or not a URI
    while (uri.size() > kSmbScheme.size() && uri.back() == '/')
        uri.remove_suffix(1);
    return std::string(uri);
}

} // namespace

std::vector<std::string> ParseGioSmbMounts(std::string_view listing)
{
    std::vector<std::string> mounts;
    for (std::string_view line : SplitLines(listing)) {
        if (auto uri = ParseGioMountLine(line))
            mounts.push_back(std::move(*uri));
    }
    return mounts;
}

std::vector<KernelShareMount> ParseKernelShareMounts(std::string_view mountInfo)
{
    std::vector<KernelShareMount> mounts;
    for (std::string_view line : SplitLines(mountInfo)) {
        if (auto mount = ParseMountInfoLine(line))
            mounts.push_back(std::move(*mount));
    }
    return mounts;
}

CSystemMountTable::CSystemMountTable(CCommandRunner& commandRunner, std::string mountInfoPath)
    : runner(commandRunner), strMountInfoPath(std::move(mountInfoPath))
{
}

std::optional<std::vector<std::string>> CSystemMountTable::NetworkConnections()
{
    const std::optional<std::string> listing = runner.ReadOutput({"gio", "mount", "-l"});
    if (!listing)
        return std::nullopt;
    return ParseGioSmbMounts(*listing);
}

std::vector<KernelShareMount> CSystemMountTable::KernelShareMounts()
{
    std::ifstream file(strMountInfoPath);
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return ParseKernelShareMounts(text.str());
}
