#include "layout/LocalFile.h"

#include <filesystem>

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

bool IsAbsoluteLocalPath(const std::string& path)
{
    return !path.empty() &&
           (path.front() == '/' || std::filesystem::path(std::u8string(path.begin(), path.end())).is_absolute());
}
