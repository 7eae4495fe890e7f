#pragma once

// Reading and replacing the program's files without being led astray by what sits at the
// path: a FIFO or a device would block a read or swallow a write, a link would have a write
// land in somebody else's file, and an endless or huge file would hold the reader. Paths are
// local ones (see ToLocalPath), UTF-8.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// The path (UTF-8, as every path here) as the file system library takes it, and back. On
// Windows that is the wide path: a narrow one would go through the ANSI code page, which
// cannot spell most account names ("Zoë 李"). Text that is not UTF-8 names no file there.
std::filesystem::path FileSystemPath(const std::string& path);
std::string Utf8Path(const std::filesystem::path& path);

// Whether a path given from outside (an environment value) names one place whatever the
// current folder: "/..." on every system (on Windows the current drive's root, as "\..."
// is), or what the system itself calls absolute ("C:\...", a share "\\server\share\...",
// "\\?\UNC\server\share\...").
bool IsAbsoluteLocalPath(const std::string& path);

// An environment variable's value as UTF-8 text, empty when it is not set. On Windows the
// wide value is read: the narrow one went through the ANSI code page, which cannot spell a
// path in most account folders.
std::string EnvironmentText(const char* name);

enum class LocalFileStatus
{
    Done,
    Missing,
    NotRegular,
    TooLarge,
    Failed
};

// Why a file was not read or written, for a message: "is not a regular file", ...
std::string_view DescribeLocalFileStatus(LocalFileStatus status);

// Reads the whole file into `content` when it is a regular file of at most `maxBytes`. The
// file is opened without waiting for a writer and checked once open, so a FIFO or a device
// put at the path is never read; no more than `maxBytes` + 1 bytes are ever read.
LocalFileStatus ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content);

// What a write does with a symbolic link at the path.
enum class LinkHandling
{
    ReplaceTarget, // the file it names is replaced, as editors do; the link stays
    ReplaceLink,   // the link itself is replaced by a file of ours
};

// Writes `content` under a new name beside the file and renames it over the file, so the file
// is always either the old one or the whole new one, and no write goes through a link. A FIFO,
// a device or a folder at the path (or at a link's target) is left alone (NotRegular). A file
// that exists keeps its permissions; a new one gets `newMode` less the umask.
LocalFileStatus ReplaceRegularFile(const std::string& path, std::string_view content, LinkHandling links,
                                   unsigned newMode, std::string& error);

// Makes the folder and the parents it lacks, walking down from the path's root (a drive, a
// share "\\server\share" or "/"). The root itself is never made: a share's server and share
// name are the server's to give. A folder made here is the user's alone; one that exists
// keeps its permissions. Something other than a folder on the way is NotRegular; `error`
// names the path and the reason.
LocalFileStatus MakeFolders(const std::string& path, std::string& error);

// Appends `content` to the regular file at the path, making it when it does not exist, and
// closes it again, so the file can be read, moved or removed meanwhile. A link, FIFO, device
// or folder at the path gets nothing written (NotRegular): whoever planted it there does not
// decide where the bytes land, and a FIFO nobody reads would hold the writer.
LocalFileStatus AppendToRegularFile(const std::string& path, std::string_view content);

// When the file was last written, fine enough to tell apart two writes a moment apart, or
// file_time_type::min() when it cannot be read. Only ever compared with another such time.
std::filesystem::file_time_type LastWriteTime(const std::string& path);
