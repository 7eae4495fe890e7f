#include "layout/LayoutLoader.h"

#include "platform/support/TempDir.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::wstring kDataRoot = L"/data root";
const std::wstring kSkin = L"Standard";

std::wstring Fixture(const char* name)
{
    return std::filesystem::path(TRAVELKIN_TEST_DATA_DIR "/layout").append(name).wstring();
}

class LayoutLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(folder.Root().empty()); }

    std::wstring WriteFile(const char* name, const std::string& content) const
    {
        folder.Write(name, content);
        return folder.Path(name).wstring();
    }

    int rootCalls = 0;
    CLayoutLoader loader{[this] {
        ++rootCalls;
        return kDataRoot;
    }};
    DialogLayoutInfo info;
    CTempDir folder;
};

// A complete load for later tests to prove that a failing load wipes it.
void LoadSomething(const CLayoutLoader& loader, DialogLayoutInfo& info)
{
    ASSERT_EQ(loader.ParseLayout(Fixture("two_dialogs.xml"), 201, kSkin, info), 1);
    ASSERT_FALSE(info.mapCtrlInfo.empty());
}

void ExpectReset(const DialogLayoutInfo& info)
{
    EXPECT_EQ(info.DialogID, 0);
    EXPECT_TRUE(info.DialogText.empty());
    EXPECT_TRUE(info.DialogFont.empty());
    EXPECT_EQ(info.DialogPos, LayoutRect{});
    EXPECT_TRUE(info.mapCtrlInfo.empty());
    EXPECT_TRUE(info.mapStringInfo.empty());
}

} // namespace

TEST_F(LayoutLoaderTest, ReadsTheAskedDialogWithItsFirstSkinElement)
{
    ASSERT_EQ(loader.ParseLayout(Fixture("two_dialogs.xml"), 201, kSkin, info), 1);

    EXPECT_EQ(info.DialogID, 201);
    CtrlLayoutInfo button;
    ASSERT_EQ(CLayoutLoader::GetCtrlInfo(info, 2107, button), 0);
    EXPECT_EQ(button.CtrlBGPath, kDataRoot + L"\\ZandovertSearchTools\\Picture\\ButtonMax.png");
    EXPECT_EQ(button.CtrlBGStatusCount, 4);
    EXPECT_EQ(button.strCtrlBGColor, L"255,255,255");
    EXPECT_EQ(button.CtrlBGColor, 0x00FFFFFFu);
    EXPECT_EQ(button.CtrlBorderColor, 0x00B99D7Eu);
    EXPECT_EQ(button.CtrlPaintMode, 4);
    EXPECT_EQ(button.CtrlClass, L"StandardButton");
    EXPECT_EQ(button.CtrlStyle, 0x50000000u);
    EXPECT_EQ(button.CtrlPosType, 3);
    EXPECT_EQ(button.CtrlPos, (LayoutRect{18, 210, 97, 233}));
    EXPECT_EQ(button.CtrlShow, 5);
    EXPECT_EQ(button.CtrlText, L"Log In");
    EXPECT_EQ(button.CtrlTextOffSet, (LayoutPoint{0, 6}));
    EXPECT_EQ(button.strCtrlTextColor, L"244,245,247");
    EXPECT_EQ(button.CtrlFont, L"Tahoma");
    EXPECT_EQ(button.CtrlFontSize, 12);
    EXPECT_EQ(button.CtrlDiscrip, L"log-in button");

    CtrlLayoutInfo list;
    ASSERT_EQ(CLayoutLoader::GetCtrlInfo(info, 2105, list), 0); // nested below the skin
    EXPECT_EQ(list.CtrlBGPath, kDataRoot);                      // no image: the data root itself
    EXPECT_EQ(list.CtrlClass, L"StandardListCtrl");
    EXPECT_EQ(list.CtrlStyle, 0x50000001u);

    // Absence is reported by value; the output stays as it was.
    EXPECT_EQ(CLayoutLoader::GetCtrlInfo(info, 4242, list), 1);
    EXPECT_EQ(list.CtrlClass, L"StandardListCtrl");
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"search_device_list_item_ip"), L"");
}

TEST_F(LayoutLoaderTest, OtherDialogsContributeNothingAndFirstKeysWin)
{
    ASSERT_EQ(loader.ParseLayout(Fixture("two_dialogs.xml"), 201, kSkin, info), 1);

    EXPECT_EQ(info.mapCtrlInfo.count(3000), 0u);
    EXPECT_EQ(info.mapStringInfo.count(L"OTHER_KEY"), 0u);
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"SEARCH_DEVICE_LIST_ITEM_IP"), L"IP Address");
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"NESTED_IN_SKIN"), L"nested");
    EXPECT_EQ(info.mapCtrlInfo.at(2107).CtrlText, L"Log In");
    EXPECT_EQ(info.mapCtrlInfo.at(2105).CtrlClass, L"StandardListCtrl");

    // A later dialog with the same identifier overwrites the fields and adds new keys only.
    EXPECT_EQ(info.DialogText, L"Second title"); // not the DialogInfo outside WindowInformation
    EXPECT_EQ(info.DialogDiscrip, L"second");
    EXPECT_EQ(info.DialogBGPath, kDataRoot + L"\\Second\\bg.png");
    EXPECT_EQ(info.DialogFont, L"Second");
    EXPECT_EQ(info.DialogFontSize, 20);
    EXPECT_EQ(info.DialogPos, (LayoutRect{0, 0, 100, 100}));
    EXPECT_EQ(info.DlgTextOffSet, (LayoutPoint{0, 0}));
    EXPECT_EQ(info.mapCtrlInfo.size(), 3u);
    EXPECT_EQ(info.mapCtrlInfo.at(2109).CtrlText, L"My Storage");
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"SHARED_KEY"), L"from second 201");
    EXPECT_EQ(rootCalls, 2); // once for each matching dialog with the skin
}

TEST_F(LayoutLoaderTest, MissingAttributesReadAsEmptyText)
{
    ASSERT_EQ(loader.ParseLayout(Fixture("missing_attributes.xml"), 201, kSkin, info), 1);

    EXPECT_EQ(info.DialogID, 201);
    EXPECT_TRUE(info.DialogText.empty());
    EXPECT_EQ(info.DialogBGPath, kDataRoot);
    EXPECT_EQ(info.DialogPos, (LayoutRect{5, 0, 0, 0})); // "5,6" has one comma: left only
    const CtrlLayoutInfo& button = info.mapCtrlInfo.at(2103);
    EXPECT_EQ(button.CtrlClass, L"StandardButton");
    EXPECT_EQ(button.CtrlBGColor, 0u);
    EXPECT_EQ(button.CtrlStyle, 0u);
    EXPECT_EQ(button.CtrlPos, LayoutRect{});
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"ONLY_KEY"), L"");
}

TEST_F(LayoutLoaderTest, ASkinThatIsAbsentStillGivesTheDialogAndItsStrings)
{
    ASSERT_EQ(loader.ParseLayout(Fixture("no_skin.xml"), 201, kSkin, info), 1);

    EXPECT_EQ(info.DialogID, 201);
    EXPECT_EQ(info.DialogText, L"Travelkin");
    EXPECT_TRUE(info.DialogBGPath.empty());
    EXPECT_TRUE(info.mapCtrlInfo.empty());
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"KEY"), L"value");
    EXPECT_EQ(rootCalls, 0);

    ASSERT_EQ(loader.ParseLayout(Fixture("no_skin.xml"), 201, L"", info), 1); // whitespace is not a skin
    EXPECT_TRUE(info.DialogBGPath.empty());
}

TEST_F(LayoutLoaderTest, FailedLoadsLeaveTheRecordsReset)
{
    LoadSomething(loader, info);
    EXPECT_EQ(loader.ParseLayout(L"", 201, kSkin, info), 0);
    ExpectReset(info);

    LoadSomething(loader, info);
    EXPECT_EQ(loader.ParseLayout(Fixture("two_dialogs.xml"), 202, kSkin, info), 1);
    ExpectReset(info);

    for (const std::wstring& unreadable : {Fixture("does_not_exist.xml"), Fixture("not_well_formed.xml"),
                                           WriteFile("empty.xml", ""), folder.Root().wstring()}) {
        LoadSomething(loader, info);
        EXPECT_EQ(loader.ParseLayout(unreadable, 201, kSkin, info), 1);
        ExpectReset(info);
    }
}

TEST_F(LayoutLoaderTest, AFifoIsNotOpened)
{
    if (testsystem::IsWindows())
        GTEST_SKIP() << "Windows has no FIFOs in its file system";
    const std::filesystem::path fifo = folder.Path("fifo.xml");
    ASSERT_TRUE(testsystem::MakeFifo(fifo));
    EXPECT_EQ(loader.ParseLayout(fifo.wstring(), 201, kSkin, info), 1); // would block if opened
    ExpectReset(info);
}

TEST_F(LayoutLoaderTest, FilesOverTheSizeCapAreUnreadable)
{
    const std::string head = "<WindowInformation><DialogInfo DialogID=\"201\" DialogText=\"big\">";
    const std::string tail = "</DialogInfo></WindowInformation>";
    std::string padding(CLayoutLoader::kMaxLayoutFileSize - head.size() - tail.size(), ' ');

    EXPECT_EQ(loader.ParseLayout(WriteFile("at-cap.xml", head + padding + tail), 201, kSkin, info), 1);
    EXPECT_EQ(info.DialogText, L"big");

    padding += ' ';
    EXPECT_EQ(loader.ParseLayout(WriteFile("over-cap.xml", head + padding + tail), 201, kSkin, info), 1);
    ExpectReset(info);
}

TEST_F(LayoutLoaderTest, TextsAreDecodedFromUtf8AndInvalidSequencesReplaced)
{
    const std::string utf8 = "\xEF\xBB\xBF<WindowInformation><DialogInfo DialogID=\"201\" "
                             "DialogText=\"\xE3\x83\xAD\xE3\x82\xB0 \xE2\x80\xA6 &amp; \xF0\x9F\x94\x8D\"/>"
                             "</WindowInformation>";
    ASSERT_EQ(loader.ParseLayoutBuffer(utf8, 201, kSkin, info), 1);
    EXPECT_EQ(info.DialogText, L"\u30ED\u30B0 \u2026 & \U0001F50D");

    const std::string broken = "<WindowInformation><DialogInfo DialogID=\"201\" "
                               "DialogText=\"a\xC3\xFF\x80z\xF4\x90\x80\x80\xED\xA0\x80!\xE3\x83\"/>"
                               "</WindowInformation>";
    ASSERT_EQ(loader.ParseLayoutBuffer(broken, 201, kSkin, info), 1);
    // Truncated pair, stray bytes, beyond U+10FFFF, a surrogate, a truncated triple.
    EXPECT_EQ(info.DialogText, L"a\uFFFD\uFFFD\uFFFDz\uFFFD\uFFFD!\uFFFD");
}

TEST(LayoutPathTest, MakeLayoutPathPrefixesTheDataRootOrGivesNothing)
{
    const CLayoutLoader withRoot([] { return std::wstring(L"/home/u/.local/share"); });
    EXPECT_EQ(withRoot.MakeLayoutPath(L"\\ZandovertSearchTools\\WndLayoutInfo.xml"),
              L"/home/u/.local/share\\ZandovertSearchTools\\WndLayoutInfo.xml");
    const CLayoutLoader withoutRoot([] { return std::wstring(); });
    EXPECT_EQ(withoutRoot.MakeLayoutPath(L"\\ZandovertSearchTools\\WndLayoutInfo.xml"), L"");
    const CLayoutLoader withoutProvider(nullptr);
    EXPECT_EQ(withoutProvider.MakeLayoutPath(L"\\x"), L"");
}
