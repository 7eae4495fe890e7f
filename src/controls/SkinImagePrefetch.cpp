#include "controls/SkinImagePrefetch.h"

#include "controls/BasicPropertyFrame.h"

#include <QFile>

#include <utility>

namespace {

std::mutex gServingMutex;
CSkinImagePrefetch* gServing = nullptr;

// Straight from the file system: QFileInfo's times go through the local time zone, whose set-up
// in the C library is not safe to run on two threads at once.
std::filesystem::file_time_type ModificationTime(const QFileInfo& file)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(QFile::encodeName(file.filePath()).toStdString(), error);
    return error ? std::filesystem::file_time_type::min() : time;
}

} // namespace

CSkinImagePrefetch::CSkinImagePrefetch(QStringList localPaths)
{
    for (const QString& path : localPaths)
        m_pictures[path];
    {
        std::lock_guard lock(gServingMutex);
        gServing = this;
    }
    m_decoder = std::thread([this, paths = std::move(localPaths)] { DecodeAll(paths); });
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

void CSkinImagePrefetch::DecodeAll(const QStringList& localPaths)
{
    for (const QString& path : localPaths) {
        {
            std::lock_guard lock(m_mutex);
            if (m_released)
                return;
        }
        const QFileInfo file(path);
        Picture picture{true, DecodeSkinFile(file), file.size(), ModificationTime(file)};
        {
            std::lock_guard lock(m_mutex);
            m_pictures[path] = std::move(picture);
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
