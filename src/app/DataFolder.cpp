#include "app/DataFolder.h"

#include "app/LanguageIndex.h"
#include "layout/LocalPath.h"
#include "os/LocalFile.h"
#include "platform/SessionServices.h"

#include "TravelkinResources.h"

#include <QResource>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

namespace {

// Local paths are UTF-8 on every system; the 8-bit encoding of file names is the ANSI code
// page on Windows, which cannot spell most account names.
QString LocalPath(const std::wstring& path)
{
    return QString::fromStdString(ToLocalPath(path));
}

// A fresh account may not even have ~/.local/share yet, and a roaming profile may sit on a
// share: folders are made from the path's root down, each made one the user's alone.
bool EnsureFolder(const std::wstring& path, std::string& failure)
{
    return MakeFolders(ToLocalPath(path), failure) == LocalFileStatus::Done;
}

// True when the regular file at `local`, not a link to one, holds exactly `content`.
bool HoldsExactly(const std::string& local, const QByteArray& content)
{
    std::error_code ignored;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(FileSystemPath(local), ignored)))
        return false;
    std::string held;
    return ReadRegularFile(local, static_cast<std::size_t>(content.size()), held) == LocalFileStatus::Done &&
           QByteArrayView(held.data(), static_cast<qsizetype>(held.size())) == content;
}

} // namespace

QString ResourcePath(int id, const QString& type)
{
    return QStringLiteral(":/%1/%2").arg(type).arg(id);
}

bool SaveResourceToFile(int id, const QString& type, const std::wstring& path)
{
    std::string failure;
    return SaveResourceToFile(id, type, path, failure);
}

bool SaveResourceToFile(int id, const QString& type, const std::wstring& path, std::string& failure)
{
    InitTravelkinResources();
    const QResource resource(ResourcePath(id, type));
    if (!resource.isValid()) {
        failure = "no embedded resource " + ResourcePath(id, type).toStdString();
        return false;
    }
    // The shape bitmap is embedded as it is (its compressed form would have to be unpacked at
    // every start just to find the file unchanged): its bytes are read where they lie.
    const QByteArray content =
        resource.compressionAlgorithm() == QResource::NoCompression
            ? QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size())
            : resource.uncompressedData();
    // A file that already holds the resource is left as it is: comparing costs a start less
    // than truncating and writing all nine files again.
    const std::string local = ToLocalPath(path);
    if (HoldsExactly(local, content))
        return true;
    // The data folder is ours: a link put there is replaced by our own file, never written
    // through; a FIFO or a device is left alone, and the start fails with its message.
    if (ReplaceRegularFile(local,
                           std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                           LinkHandling::ReplaceLink, 0666, failure) != LocalFileStatus::Done) {
        qWarning("%s", failure.c_str());
        return false;
    }
    return true;
}

CDataFolder::CDataFolder(std::wstring root, int language) : dataRoot(std::move(root)), languageIndex(language)
{
}

CDataFolder CDataFolder::ForThisSession()
{
    return CDataFolder(GetCommonTemplatesPath(), GetLanguageIndex());
}

bool CDataFolder::PrepareDataFolder() const
{
    std::string failure;
    return PrepareDataFolder(failure);
}

bool CDataFolder::PrepareDataFolder(std::string& failure) const
{
    // Without a data root the folders would land at the top of the file system.
    if (dataRoot.empty()) {
        failure = "no folder for the program's data (the roaming application data folder is unknown)";
        return false;
    }
    return EnsureFolder(DataFolderPath(), failure) && EnsureFolder(PictureFolderPath(), failure) &&
           WriteLayoutFile(failure) && WriteSkinImages(failure);
}

bool CDataFolder::WriteLayoutFile(std::string& failure) const
{
    return SaveResourceToFile(LayoutResourceId(languageIndex), QStringLiteral("XML"), LayoutFilePath(),
                              failure);
}

bool CDataFolder::WriteSkinImages(std::string& failure) const
{
    for (const SkinImageResource& image : kSkinImages) {
        if (!SaveResourceToFile(image.id, QString::fromLatin1(image.type),
                                PictureFolderPath() + image.fileName, failure))
            return false;
    }
    return true;
}

std::vector<SkinImageFile> CDataFolder::SkinImageFiles() const
{
    std::vector<SkinImageFile> files;
    for (const SkinImageResource& image : kSkinImages)
        files.push_back({LocalPath(PictureFolderPath() + image.fileName),
                         ResourcePath(image.id, QString::fromLatin1(image.type))});
    // The shape bitmap leads the resource list.
    std::rotate(files.begin(), files.begin() + 1, files.end());
    return files;
}
