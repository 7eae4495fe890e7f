#include "controls/SkinImagePrefetch.h"

#include "controls/BasicPropertyFrame.h"

#include <QFile>

#include <cstdint>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::mutex gServingMutex;
CSkinImagePrefetch* gServing = nullptr;

// Straight from the file system: QFileInfo's times go through the local time zone, whose set-up
// in the C library is not safe to run on two threads at once. On Windows the C library's file
// times are whole seconds, too coarse to see a file rewritten at once; the system's own are not.
std::filesystem::file_time_type ModificationTime(const QFileInfo& file)
{
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring path = file.filePath().toStdWString();
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::filesystem::file_time_type::min();
    const auto ticks = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    // Only compared with itself, so its epoch does not matter; a tick is 100 ns.
    return std::filesystem::file_time_type(std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
        std::chrono::nanoseconds(ticks * 100)));
#else
    std::error_code error;
    const auto time = std::filesystem::last_write_time(QFile::encodeName(file.filePath()).toStdString(), error);
    return error ? std::filesystem::file_time_type::min() : time;
#endif
}

} // namespace

CSkinImagePrefetch::CSkinImagePrefetch(std::vector<Source> sources)
{
    for (const Source& source : sources)
        m_pictures[source.file];
    {
        std::lock_guard lock(gServingMutex);
        gServing = this;
    }
    m_decoder = std::thread([this, all = std::move(sources)] { DecodeAll(all); });
}

CSkinImagePrefetch::~CSkinImagePrefetch()
{
    {
        std::lock_guard lock(gServingMutex);
        if (gServing == this)
            gServing = nullptr;
    }
    Drop();  // the decoder skips what is left
    m_decoder.join();
}

void CSkinImagePrefetch::ConfirmFiles()
{
    std::lock_guard lock(m_mutex);
    for (auto& [path, picture] : m_pictures) {
        const QFileInfo file(path);
        if (!file.isFile())
            continue;  // a file that is not there is never served
        picture.size = file.size();
        picture.modified = ModificationTime(file);
    }
}

std::optional<QImage> CSkinImagePrefetch::Find(const QFileInfo& file)
{
    std::lock_guard lock(gServingMutex);
    return gServing ? gServing->Serve(file) : std::nullopt;
}

void CSkinImagePrefetch::Release()
{
    std::lock_guard lock(gServingMutex);
    if (gServing)
        gServing->Drop();
}

void CSkinImagePrefetch::DecodeAll(const std::vector<Source>& sources)
{
    for (const Source& source : sources) {
        {
            std::lock_guard lock(m_mutex);
            if (m_released)
                return;
        }
        // The origin's name may say nothing of its format; the file's name does.
        QImage image = DecodeSkinFile(QFileInfo(source.origin), QFileInfo(source.file).suffix().toLatin1());
        {
            std::lock_guard lock(m_mutex);
            const auto found = m_pictures.find(source.file);
            if (found == m_pictures.end())
                return;  // released meanwhile
            found->second.decoded = true;
            found->second.image = std::move(image);
        }
        m_progress.notify_all();
    }
}

std::optional<QImage> CSkinImagePrefetch::Serve(const QFileInfo& file)
{
    std::unique_lock lock(m_mutex);
    const auto found = m_pictures.find(file.filePath());
    if (found == m_pictures.end())
        return std::nullopt;
    const Picture& picture = found->second;
    if (picture.size < 0)
        return std::nullopt;  // not confirmed: the file may not hold its origin's picture yet
    // Released first: a release empties the map under the waiting caller.
    m_progress.wait(lock, [&] { return m_released || picture.decoded; });
    if (m_released || picture.image.isNull() || picture.size != file.size() ||
        picture.modified != ModificationTime(file))
        return std::nullopt;
    return picture.image;
}

void CSkinImagePrefetch::Drop()
{
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_pictures.clear();
    }
    m_progress.notify_all();
}
