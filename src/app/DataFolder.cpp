#include "app/DataFolder.h"

#include "app/LanguageIndex.h"
#include "layout/LocalFile.h"
#include "layout/LocalPath.h"
#include "platform/SessionServices.h"

#include "TravelkinResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

namespace {

QString LocalPath(const std::wstring& path)
{
    return QFile::decodeName(QByteArray::fromStdString(ToLocalPath(path)));
}

// Folders are made with their parents, for a fresh account may not even have
// ~/.local/share yet. What is made is the user's alone, as the base-directory rules ask of
// a data home; folders that already exist keep their permissions.
bool EnsureFolder(const std::wstring& path)
{
    const QString local = QDir::cleanPath(LocalPath(path));
    QString folder = local.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString& part : local.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folder += part;
        if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        folder += QLatin1Char('/');
    }
    return true;
}

// True when the regular file at `local`, not a link to one, holds exactly `content`.
bool HoldsExactly(const std::string& local, const QByteArray& content)
{
    std::error_code ignored;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(local, ignored)))
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
    InitTravelkinResources();
    QFile resource(ResourcePath(id, type));
    if (!resource.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = resource.readAll();
    // A file that already holds the resource is left as it is: comparing costs a start less
    // than truncating and writing all nine files again.
    const std::string local = ToLocalPath(path);
    if (HoldsExactly(local, content))
        return true;
    // The data folder is ours: a link put there is replaced by our own file, never written
    // through; a FIFO or a device is left alone, and the start fails with its message.
    std::string error;
    if (ReplaceRegularFile(local, std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                    LinkHandling::ReplaceLink, 0666, error) != LocalFileStatus::Done) {
        qWarning("%s", error.c_str());
        return false;
    }
    return true;
}

CDataFolder::CDataFolder(std::wstring dataRoot, int languageIndex)
    : m_dataRoot(std::move(dataRoot)), m_languageIndex(languageIndex)
{
}

CDataFolder CDataFolder::ForThisSession()
{
    return CDataFolder(GetCommonTemplatesPath(), GetLanguageIndex());
}

bool CDataFolder::PrepareDataFolder() const
{
    // Without a data root the folders would land at the top of the file system.
    if (m_dataRoot.empty())
        return false;
    return EnsureFolder(DataFolderPath()) && EnsureFolder(PictureFolderPath()) && WriteLayoutFile() &&
           WriteSkinImages();
}

bool CDataFolder::WriteLayoutFile() const
{
    return SaveResourceToFile(LayoutResourceId(m_languageIndex), QStringLiteral("XML"), LayoutFilePath());
}

bool CDataFolder::WriteSkinImages() const
{
    for (const SkinImageResource& image : kSkinImages) {
        if (!SaveResourceToFile(image.id, QString::fromLatin1(image.type), PictureFolderPath() + image.fileName))
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
