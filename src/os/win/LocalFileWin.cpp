#include "os/LocalFile.h"

#include <cstdint>
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
