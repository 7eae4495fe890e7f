#pragma once

// The data folder under the data root: the layout file and the skin images that every
// window reads from disk, written afresh from the embedded resources at each start.
//
// Paths are built by plain concatenation of texts that begin with a backslash, exactly as
// the layout files name them; they become local paths only where a file is opened.

#include <QString>

#include <array>
#include <string>
#include <vector>

inline constexpr wchar_t kDataFolderName[] = L"\\ZandovertSearchTools";
inline constexpr wchar_t kPictureFolderName[] = L"\\Picture";
inline constexpr wchar_t kLayoutFileName[] = L"\\WndLayoutInfo.xml";
// Written by the user, never by us: addresses that Refresh also searches directly.
inline constexpr wchar_t kHostsFileName[] = L"\\hosts.txt";

struct SkinImageResource
{
    int id;
    const char* type;
    const wchar_t* fileName; // inside the picture folder
};

// In the order they are written.
inline constexpr std::array<SkinImageResource, 8> kSkinImages{{
    {158, "BMP", L"\\SearchDevice_BlackGround.bmp"},
    {146, "PNG", L"\\SearchDevice_BlackGround.png"},
    {139, "PNG", L"\\Brush.png"},
    {144, "PNG", L"\\logo.png"},
    {147, "PNG", L"\\headerbackground.png"},
    {148, "PNG", L"\\headerclip.png"},
    {141, "PNG", L"\\close.png"},
    {140, "PNG", L"\\ButtonMax.png"},
}};

// The path of the embedded resource of that number and type.
QString ResourcePath(int id, const QString& type);

// A skin picture of the data folder: its local file and the resource the file is written from.
struct SkinImageFile
{
    QString local;
    QString resource;
};

// Writes the embedded resource of that number and type to the path, replacing any file
// there. False when the resource is unknown or the file cannot be written in full.
bool SaveResourceToFile(int id, const QString& type, const std::wstring& path);
// The same; when it fails, `failure` names the file and the reason.
bool SaveResourceToFile(int id, const QString& type, const std::wstring& path, std::string& failure);

class CDataFolder
{
public:
    CDataFolder(std::wstring dataRoot, int languageIndex);

    // The data root and language of this session.
    static CDataFolder ForThisSession();

    std::wstring DataFolderPath() const { return dataRoot + kDataFolderName; }
    std::wstring PictureFolderPath() const { return DataFolderPath() + kPictureFolderName; }
    std::wstring LayoutFilePath() const { return DataFolderPath() + kLayoutFileName; }

    // Creates the two folders where needed and writes all nine files. When it fails,
    // `failure` names the folder or file that could not be made and the reason.
    bool PrepareDataFolder() const;
    bool PrepareDataFolder(std::string& failure) const;
    bool WriteLayoutFile(std::string& failure) const;
    // Stops at the first image that cannot be written; those before it stay on disk.
    bool WriteSkinImages(std::string& failure) const;
    // The skin pictures in the order the window first needs them: the window-shape bitmap,
    // used only once the window is shown, last.
    std::vector<SkinImageFile> SkinImageFiles() const;

private:
    std::wstring dataRoot;
    int languageIndex;
};
