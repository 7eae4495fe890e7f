#include "controls/SkinImagePrefetch.h"

#include "controls/BasicPropertyFrame.h"
#include "os/LocalFile.h"

#include <QFile>

#include <utility>

namespace {

std::mutex gServingMutex;
CSkinImagePrefetch* gServing = nullptr;

// Straight from the file system: QFileInfo's times go through the local time zone, whose set-up
// in the C library is not safe to run on two threads at once.
std::filesystem::file_time_type ModificationTime(const QFileInfo& file)
{
    return LastWriteTime(file.filePath().toStdString());
}

} // namespace

CSkinImagePrefetch::CSkinImagePrefetch(std::vector<Source> sources)
{
    for (const Source& source : sources)
        pictures[source.file].source = source;
    {
        std::lock_guard lock(gServingMutex);
        gServing = this;
    }
    decoder = std::thread([this, all = std::move(sources)] { DecodeAll(all); });
}

CSkinImagePrefetch::~CSkinImagePrefetch()
{
    {
        std::lock_guard lock(gServingMutex);
        if (gServing == this)
            gServing = nullptr;
    }
    Drop(); // the decoder skips what is left
    decoder.join();
}

void CSkinImagePrefetch::ConfirmFiles()
{
    std::lock_guard lock(mutex);
    for (auto& [path, picture] : pictures) {
        const QFileInfo file(path);
        if (!file.isFile())
            continue; // a file that is not there is never served
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
    std::unique_lock lock(mutex);
    for (const Source& source : sources) {
        if (!Claim(source.file, lock))
            return;
    }
}

bool CSkinImagePrefetch::Claim(const QString& file, std::unique_lock<std::mutex>& lock)
{
    if (released)
        return false;
    const auto found = pictures.find(file);
    if (found == pictures.end() || found->second.progress != Progress::Waiting)
        return true;
    found->second.progress = Progress::Decoding;
    const Source source = found->second.source;
    lock.unlock();
    // The origin's name may say nothing of its format; the file's name does.
    QImage image = DecodeSkinResource(source.origin, QFileInfo(source.file).suffix().toLatin1());
    lock.lock();
    if (!released) { // else the map was emptied meanwhile
        Picture& picture = pictures.at(file);
        picture.progress = Progress::Decoded;
        picture.image = std::move(image);
    }
    progress.notify_all();
    return !released;
}

std::optional<QImage> CSkinImagePrefetch::Serve(const QFileInfo& file)
{
    std::unique_lock lock(mutex);
    const auto found = pictures.find(file.filePath());
    if (found == pictures.end())
        return std::nullopt;
    const Picture& picture = found->second;
    if (picture.size < 0)
        return std::nullopt; // not confirmed: the file may not hold its origin's picture yet
    if (!Claim(file.filePath(), lock))
        return std::nullopt;
    // Released first: a release empties the map under the waiting caller.
    progress.wait(lock, [&] { return released || picture.progress == Progress::Decoded; });
    if (released || picture.image.isNull() || picture.size != file.size() ||
        picture.modified != ModificationTime(file))
        return std::nullopt;
    return picture.image;
}

void CSkinImagePrefetch::Drop()
{
    {
        std::lock_guard lock(mutex);
        released = true;
        pictures.clear();
    }
    progress.notify_all();
}
