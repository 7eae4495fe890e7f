#include "os/LocalFile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <windows.h>

// Windows has no FIFOs or devices among ordinary paths; what is not a regular file is still
// left alone, and a file is replaced through a new one renamed over it.

namespace {

namespace fs = std::filesystem;

fs::path Native(const std::string& path)
{
    return FileSystemPath(path);
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Where the name that starts at `at` ends: at the next separator or at the path's end.
std::size_t NameEnd(std::string_view path, std::size_t at)
{
    return std::min(path.find_first_of("/\\", at), path.size());
}

std::size_t PastSeparators(std::string_view path, std::size_t at)
{
    return std::min(path.find_first_not_of("/\\", at), path.size());
}

bool IsDrive(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

bool IsUncPrefix(std::string_view name)
{
    return name.size() == 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'U' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'N' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'C';
}

// A file that somebody reads (our own reader, an editor, a virus scanner) cannot be replaced
// until they close it, which a reader of a small file does within moments: the rename is tried
// again for up to about a second.
bool RenameOver(const fs::path& from, const fs::path& to, std::error_code& failure)
{
    for (int attempt = 0;; ++attempt) {
        fs::rename(from, to, failure);
        if (!failure || attempt == 20)
            return !failure;
        ::Sleep(50);
    }
}

} // namespace

// "C:x" starts from the drive's current folder, "\x" from the current drive's root, "\\?\" and
// "\\.\" from what their first name gives (a drive, a volume, or after "UNC" a share), and
// "\\server\share" from the share.
std::size_t LocalPathRootSize(std::string_view path)
{
    if (IsDrive(path))
        return path.size() > 2 && IsSeparator(path[2]) ? PastSeparators(path, 2) : 0;
    if (path.empty() || !IsSeparator(path[0]))
        return 0;
    if (path.size() < 2 || !IsSeparator(path[1]))
        return PastSeparators(path, 0);
    std::size_t server = 2;
    if (path.size() > 3 && (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
        const std::size_t end = NameEnd(path, 4);
        if (!IsUncPrefix(path.substr(4, end - 4)))
            return PastSeparators(path, end);
        server = PastSeparators(path, end);
    }
    return PastSeparators(path, NameEnd(path, PastSeparators(path, NameEnd(path, server))));
}

std::string EnvironmentText(const char* name)
{
    const std::wstring wideName(name, name + std::strlen(name)); // our variables' names are ASCII
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (length == 0 || length >= size)
        return {}; // changed meanwhile
    // A value that is no text (a lone surrogate) converts to nothing, never to question marks.
    const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, value.data(),
                                            static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, value.data(), static_cast<int>(length), text.data(),
                          bytes, nullptr, nullptr);
    return text;
}

LocalFileStatus ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content)
{
    content.clear();
    std::error_code failure;
    const fs::file_status status = fs::status(Native(path), failure);
    if (!fs::exists(status))
        return LocalFileStatus::Missing;
    if (!fs::is_regular_file(status))
        return LocalFileStatus::NotRegular;
    std::ifstream file(Native(path), std::ios::binary);
    if (!file)
        return LocalFileStatus::Failed;
    content.resize(maxBytes + 1);
    file.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(file.gcount()));
    if (content.size() > maxBytes) {
        content.clear();
        return LocalFileStatus::TooLarge;
    }
    return file.bad() ? LocalFileStatus::Failed : LocalFileStatus::Done;
}

LocalFileStatus ReplaceRegularFile(const std::string& path, std::string_view content, LinkHandling links,
                                   unsigned /*newMode*/, std::string& error)
{
    std::error_code failure;
    fs::path destination = Native(path);
    if (destination.empty()) {
        error = "cannot write " + path + ": not a file name";
        return LocalFileStatus::Failed;
    }
    if (links == LinkHandling::ReplaceTarget && fs::is_symlink(fs::symlink_status(destination, failure)))
        destination = fs::weakly_canonical(destination, failure);
    const fs::file_status status = fs::status(destination, failure);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = path + " " + std::string(DescribeLocalFileStatus(LocalFileStatus::NotRegular));
        return LocalFileStatus::NotRegular;
    }
    std::random_device random;
    const fs::path temporary = destination.parent_path() / (L"." + destination.filename().wstring() +
                                                            L".tmp" + std::to_wstring(random()));
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
        file.close();
        if (!file) {
            error = "cannot write " + Utf8Path(temporary);
            fs::remove(temporary, failure);
            return LocalFileStatus::Failed;
        }
    }
    if (fs::exists(status))
        fs::permissions(temporary, status.permissions(), failure);
    if (!RenameOver(temporary, destination, failure)) {
        error = "cannot replace " + path + ": " + failure.message();
        // A read-only file's permissions came with it, and a read-only file cannot be removed.
        fs::permissions(temporary, fs::perms::owner_write, fs::perm_options::add, failure);
        fs::remove(temporary, failure);
        return LocalFileStatus::Failed;
    }
    return LocalFileStatus::Done;
}

// A folder's access comes from the folder it is made in (the user's own profile), as
// Windows programs expect.
bool MakeOwnFolder(const std::filesystem::path& folder, std::error_code& failure)
{
    return fs::create_directory(folder, failure) || !failure;
}

LocalFileStatus AppendToRegularFile(const std::string& path, std::string_view content)
{
    std::error_code failure;
    if (Native(path).empty())
        return LocalFileStatus::Failed;
    const fs::file_status status = fs::symlink_status(Native(path), failure);
    if (fs::exists(status) && !fs::is_regular_file(status))
        return LocalFileStatus::NotRegular;
    std::ofstream file(Native(path), std::ios::binary | std::ios::app);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return file ? LocalFileStatus::Done : LocalFileStatus::Failed;
}

// The C library's file times are whole seconds here, too coarse to see a file rewritten at
// once; the system's own come in steps of 100 ns.
std::filesystem::file_time_type LastWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Native(path).c_str(), GetFileExInfoStandard, &data))
        return std::filesystem::file_time_type::min();
    const std::uint64_t ticks =
        (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return std::filesystem::file_time_type(
        std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
            std::chrono::nanoseconds(ticks * 100)));
}
