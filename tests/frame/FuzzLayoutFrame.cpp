// Feeds any bytes to the borderless dialog as its layout document: the dialog applies its own
// attributes, the factory builds every control the document names, and the whole window is
// painted offscreen. The skin pictures of the data folder are on disk, as at a real start.

#include "app/DataFolder.h"
#include "frame/BasicNoneBorderDlg.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class FuzzDialog : public CBasicNoneBorderDlg
{
public:
    FuzzDialog(const std::wstring& dataRoot, std::string_view document)
        : CBasicNoneBorderDlg([dataRoot] { return dataRoot; }), document(document)
    {
    }

    int ParseLayout(const std::wstring&, std::int32_t dialogId, const std::wstring& skin) override
    {
        return Loader().ParseLayoutBuffer(document, dialogId, skin, dlgLayoutInfo);
    }

    void ApplyCtrlInfo() override
    {
        ReleaseLayoutObjects();
        CreateLayoutControls(this);
    }

private:
    std::string_view document;
};

std::wstring& DataRoot()
{
    static std::wstring root;
    return root;
}

} // namespace

// Qt and the font libraries keep caches for the life of the process (font engines, shaping
// plans, fontconfig patterns) that grow as inputs name new faces and sizes; they are not built
// with frame pointers, so their stacks end in their own modules. Leaks of our own code still
// show a frame of this program and are reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6Core.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libfontconfig.so\n"
           "leak:libfreetype.so\n"
           "leak:libharfbuzz.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    static QTemporaryDir folder;
    DataRoot() = folder.path().toStdWString();
    if (!folder.isValid() || !CDataFolder(DataRoot(), 1).PrepareDataFolder())
        std::abort(); // without the pictures the run would not be worth much
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    FuzzDialog dialog(DataRoot(), document);
    dialog.LoadLayout(L"\\unused.xml", 201, L"Standard");
    QImage surface(400, 300, QImage::Format_ARGB32_Premultiplied);
    dialog.render(&surface);
    return 0;
}
