#include "os/LocalFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd; }
    bool Close()
    {
        const int owned = fd;
        fd = -1;
        return ::close(owned) == 0;
    }

private:
    int fd;
};

bool WriteAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string SystemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// Where the content goes: the path itself, or with ReplaceTarget the file a link names.
// `mode` is the existing file's permissions, or -1 for a new file.
struct Destination
{
    std::string path;
    int mode = -1;
};

LocalFileStatus FindDestination(const std::string& path, LinkHandling links, Destination& out,
                                std::string& error)
{
    out.path = path;
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return LocalFileStatus::Done;
        error = SystemError("cannot look at", path);
        return LocalFileStatus::Failed;
    }
    if (S_ISLNK(info.st_mode)) {
        if (links == LinkHandling::ReplaceLink)
            return LocalFileStatus::Done;
        std::error_code failure;
        out.path = std::filesystem::weakly_canonical(path, failure).string();
        if (failure) {
            error = "cannot follow " + path + ": " + failure.message();
            return LocalFileStatus::Failed;
        }
        if (::stat(path.c_str(), &info) == 0) {
        } else if (errno == ENOENT) {
            return LocalFileStatus::Done; // a link to nothing yet: its target is made
        } else {
            error = SystemError("cannot follow", path);
            return LocalFileStatus::Failed;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + " " + std::string(DescribeLocalFileStatus(LocalFileStatus::NotRegular));
        return LocalFileStatus::NotRegular;
    }
    out.mode = static_cast<int>(info.st_mode & 07777);
    return LocalFileStatus::Done;
}

// A new file beside the destination, never an existing one or a link.
int CreateTemporary(const std::string& destination, unsigned newMode, std::string& temporary)
{
    const std::filesystem::path target(destination);
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary =
            (target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(random())))
                .string();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              static_cast<mode_t>(newMode));
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

LocalFileStatus ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content)
{
    content.clear();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return LocalFileStatus::Missing;
        return errno == ENXIO ? LocalFileStatus::NotRegular : LocalFileStatus::Failed; // ENXIO: a socket
    }
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0)
        return LocalFileStatus::Failed;
    if (!S_ISREG(info.st_mode))
        return LocalFileStatus::NotRegular;
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        return LocalFileStatus::TooLarge;
    // Read to the size just looked at and one byte more: a file that grew meanwhile is caught
    // without reading more than the cap.
    content.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(file.get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            content.clear();
            return LocalFileStatus::Failed;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    content.resize(done);
    if (done > maxBytes) {
        content.clear();
        return LocalFileStatus::TooLarge;
    }
    return LocalFileStatus::Done;
}

LocalFileStatus ReplaceRegularFile(const std::string& path, std::string_view content, LinkHandling links,
                                   unsigned newMode, std::string& error)
{
    Destination destination;
    const LocalFileStatus found = FindDestination(path, links, destination, error);
    if (found != LocalFileStatus::Done)
        return found;
    std::string temporary;
    FileDescriptor file(CreateTemporary(destination.path, newMode, temporary));
    if (file.get() < 0) {
        error = SystemError("cannot write beside", destination.path);
        return LocalFileStatus::Failed;
    }
    const bool kept =
        destination.mode < 0 || ::fchmod(file.get(), static_cast<mode_t>(destination.mode)) == 0;
    if (!kept || !WriteAll(file.get(), content) || !file.Close()) {
        error = SystemError("cannot write", temporary);
        ::unlink(temporary.c_str());
        return LocalFileStatus::Failed;
    }
    if (std::rename(temporary.c_str(), destination.path.c_str()) != 0) {
        error = SystemError("cannot replace", destination.path);
        ::unlink(temporary.c_str());
        return LocalFileStatus::Failed;
    }
    return LocalFileStatus::Done;
}

LocalFileStatus AppendToRegularFile(const std::string& path, std::string_view content)
{
    // O_NOFOLLOW refuses a link; O_NONBLOCK keeps a FIFO from holding the open until fstat
    // turns it away.
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (file.get() < 0)
        return errno == ELOOP ? LocalFileStatus::NotRegular : LocalFileStatus::Failed;
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0)
        return LocalFileStatus::Failed;
    if (!S_ISREG(info.st_mode))
        return LocalFileStatus::NotRegular;
    return WriteAll(file.get(), content) && file.Close() ? LocalFileStatus::Done : LocalFileStatus::Failed;
}

std::size_t LocalPathRootSize(std::string_view path)
{
    return std::min(path.find_first_not_of('/'), path.size());
}

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool MakeOwnFolder(const std::filesystem::path& folder, std::error_code& failure)
{
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    failure = std::error_code(errno, std::generic_category());
    return false;
}

std::filesystem::file_time_type LastWriteTime(const std::string& path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    return error ? std::filesystem::file_time_type::min() : time;
}
