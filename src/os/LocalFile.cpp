#include "os/LocalFile.h"

#include <exception>
#include <filesystem>

// Made by the platform's file: one folder whose parent exists, the user's alone.
bool MakeOwnFolder(const std::filesystem::path& folder, std::error_code& failure);

// Also the platform's: how many bytes at the path's start name the place it starts from, its
// separator included, which no walk goes above and nothing makes ("/"; on Windows also
// "C:\", "\\server\share\"); 0 when the path starts from the current folder.
std::size_t LocalPathRootSize(std::string_view path);

std::string_view DescribeLocalFileStatus(LocalFileStatus status)
{
    switch (status) {
    case LocalFileStatus::Done:
        return "done";
    case LocalFileStatus::Missing:
        return "does not exist";
    case LocalFileStatus::NotRegular:
        return "is not a regular file (a FIFO, a device or a folder); left alone";
    case LocalFileStatus::TooLarge:
        return "is too large";
    case LocalFileStatus::Failed:
        break;
    }
    return "cannot be read or written";
}

// Where the system's paths are wide, text that is not UTF-8 (or a name with a lone surrogate)
// has no conversion: it names no file, and no caller is thrown out for it.
std::filesystem::path FileSystemPath(const std::string& path)
{
    try {
        return std::filesystem::path(std::u8string(path.begin(), path.end()));
    } catch (const std::exception&) {
        return {};
    }
}

std::string Utf8Path(const std::filesystem::path& path)
{
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (const std::exception&) {
        return "(a name that is not text)";
    }
}

bool IsAbsoluteLocalPath(const std::string& path)
{
    return LocalPathRootSize(path) > 0;
}

// The root is taken as it is written: the file system library of some systems reads no share
// in "\\server\share", and tidying the path would make it "\server\share" on the current
// drive. Only the part below the root is tidied ("a/./b//c" is "a/b/c").
LocalFileStatus MakeFolders(const std::string& path, std::string& error)
{
    namespace fs = std::filesystem;
    const std::size_t rootSize = LocalPathRootSize(path);
    fs::path folder = FileSystemPath(path.substr(0, rootSize));
    for (const fs::path& part : FileSystemPath(path.substr(rootSize)).lexically_normal()) {
        if (part.empty() || part == part.root_directory())
            continue; // the end of a path that ends in a separator, or one repeated after the root
        folder /= part;
        std::error_code failure;
        const fs::file_status status = fs::status(folder, failure);
        if (fs::is_directory(status))
            continue;
        if (fs::exists(status)) {
            error = Utf8Path(folder) + " is not a folder";
            return LocalFileStatus::NotRegular;
        }
        if (!MakeOwnFolder(folder, failure)) {
            error = "cannot make the folder " + Utf8Path(folder) + ": " + failure.message();
            return LocalFileStatus::Failed;
        }
    }
    return LocalFileStatus::Done;
}
