// Checks every layout variant that the program ships: the main window must find what it
// needs in each of them, and each must name only images that are shipped too.

#include "layout/LayoutLoader.h"
#include "layout/LocalPath.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kResources = TRAVELKIN_RESOURCES_DIR;
const std::filesystem::path kLayouts = TRAVELKIN_LAYOUT_DIR;
const std::wstring kDataRoot = L"/data-root";
const std::wstring kPictureFolder = L"\\ZandovertSearchTools\\Picture\\";

struct ExpectedControl
{
    std::int32_t id;
    const wchar_t* ctrlClass;
    std::int32_t states;
    const wchar_t* image; // empty for none
};

constexpr std::array<ExpectedControl, 9> kControls{{
    {2101, L"ShowImageCtrl", 1, L"logo.png"},
    {2102, L"ShowTextCtrl", 1, L""},
    {2103, L"StandardButton", 4, L"close.png"},
    {2104, L"ShowTextImageCtrl", 1, L""},
    {2105, L"StandardListCtrl", 1, L""},
    {2106, L"ShowTextImageCtrl", 1, L"Brush.png"},
    {2107, L"StandardButton", 4, L"ButtonMax.png"},
    {2108, L"StandardButton", 4, L"ButtonMax.png"},
    {2109, L"StandardButton", 4, L"ButtonMax.png"},
}};

constexpr std::array<const wchar_t*, 7> kStringKeys{
    L"SEARCH_DEVICE_LIST_ITEM_NAME",        L"SEARCH_DEVICE_LIST_ITEM_IP",
    L"SEARCH_DEVICE_LIST_ITEM_TYPE",        L"SEARCH_DEVICE_LIST_HEADER_FONT_NAME",
    L"SEARCH_DEVICE_LIST_HEADER_FONT_SIZE", L"SEARCH_DEVICE_LIST_HEADER_FONT_COLOR",
    L"SEARCH_DEVICE_WATI_TIME_WARNING",
};

std::vector<std::filesystem::path> ShippedLayouts()
{
    std::vector<std::filesystem::path> layouts;
    for (const auto& entry : std::filesystem::directory_iterator(kLayouts))
        layouts.push_back(entry.path());
    std::sort(layouts.begin(), layouts.end());
    return layouts;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

DialogLayoutInfo Load(const std::filesystem::path& path)
{
    DialogLayoutInfo info;
    const CLayoutLoader loader([] { return kDataRoot; });
    EXPECT_EQ(loader.ParseLayout(path.wstring(), 201, L"Standard", info), 1);
    return info;
}

bool HasAll(const pugi::xml_node& element, std::initializer_list<const char*> names)
{
    bool all = true;
    for (const char* name : names) {
        if (!element.attribute(name)) {
            ADD_FAILURE() << element.name() << " lacks " << name;
            all = false;
        }
    }
    return all;
}

class ShippedLayoutsTest : public ::testing::TestWithParam<std::filesystem::path>
{
};

} // namespace

TEST(ShippedLayoutsList, EveryLanguageHasItsVariant)
{
    EXPECT_EQ(ShippedLayouts().size(), 9u);
}

TEST_P(ShippedLayoutsTest, IsUtf8WithByteOrderMarkAndCrlfLineEnds)
{
    const std::string text = ReadAll(GetParam());
    ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF"));
    for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
        ASSERT_EQ(text[i - 1], '\r') << "bare line feed at byte " << i;
    }
    EXPECT_EQ(WideFromUtf8(text).find(L'\uFFFD'), std::wstring::npos) << "invalid UTF-8";
}

TEST_P(ShippedLayoutsTest, GivesEveryAttributeOnEveryElement)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(GetParam().c_str()));
    const pugi::xml_node dialog = document.child("WindowInformation").child("DialogInfo");
    EXPECT_TRUE(HasAll(dialog, {"DialogID", "DialogText", "DialogDiscrip"}));
    EXPECT_TRUE(
        HasAll(dialog.child("Standard"), {"DialogBGPath", "DialogBGColor", "DlgPaintMode", "DlgTextOffSet",
                                          "DlgTextColor", "DialogFont", "DialogFontSize", "DialogPos"}));
    for (const pugi::xml_node ctrl : dialog.child("Standard").children("CtrlInfo")) {
        EXPECT_TRUE(HasAll(ctrl, {"CtrlID", "CtrlBGPath", "CtrlBGStatusCount", "CtrlBGColor",
                                  "CtrlBorderColor", "CtrlPaintMode", "CtrlClass", "CtrlStyle", "CtrlPosType",
                                  "CtrlPos", "CtrlShow", "CtrlText", "CtrlTextOffSet", "CtrlTextColor",
                                  "CtrlFont", "CtrlFontSize", "CtrlDiscrip"}));
    }
    for (const pugi::xml_node entry : dialog.children("StringInfo"))
        EXPECT_TRUE(HasAll(entry, {"StringID", "StringValue"}));
    EXPECT_EQ(std::distance(document.child("WindowInformation").children("DialogInfo").begin(),
                            document.child("WindowInformation").children("DialogInfo").end()),
              1);
}

TEST_P(ShippedLayoutsTest, DescribesTheMainWindowAndItsNineControls)
{
    const DialogLayoutInfo info = Load(GetParam());
    EXPECT_EQ(info.DialogID, 201);
    EXPECT_EQ(info.DialogText, L"Travelkin");
    EXPECT_EQ(info.DialogBGPath, kDataRoot + kPictureFolder + L"SearchDevice_BlackGround.png");
    EXPECT_EQ(info.DlgPaintMode, 8);
    EXPECT_EQ(info.DialogPos, (LayoutRect{0, 0, 328, 245}));
    EXPECT_EQ(info.DlgTextColor, 0x00F7F5F4u);

    ASSERT_EQ(info.mapCtrlInfo.size(), kControls.size());
    for (const ExpectedControl& expected : kControls) {
        SCOPED_TRACE(expected.id);
        CtrlLayoutInfo ctrl;
        ASSERT_EQ(CLayoutLoader::GetCtrlInfo(info, expected.id, ctrl), 0);
        EXPECT_EQ(ctrl.CtrlClass, expected.ctrlClass);
        EXPECT_EQ(ctrl.CtrlBGStatusCount, expected.states);
        const std::wstring image = *expected.image ? kPictureFolder + expected.image : L"";
        EXPECT_EQ(ctrl.CtrlBGPath, kDataRoot + image);
        EXPECT_EQ(ctrl.CtrlStyle, expected.id == 2105 ? 0x50000001u : 0x50000000u);
        EXPECT_EQ(ctrl.CtrlPaintMode, expected.id == 2105 ? 1 : 4);
        EXPECT_EQ(ctrl.CtrlShow, 5);
        EXPECT_TRUE(ctrl.CtrlPos.left >= 0 && ctrl.CtrlPos.right <= 328 && ctrl.CtrlPos.bottom <= 245);
    }
    for (const std::int32_t id : {2104, 2106, 2107, 2108, 2109})
        EXPECT_FALSE(info.mapCtrlInfo.at(id).CtrlText.empty()) << id;
}

TEST_P(ShippedLayoutsTest, NamesOnlyShippedImages)
{
    const DialogLayoutInfo info = Load(GetParam());
    std::vector<std::wstring> paths{info.DialogBGPath};
    for (const auto& [id, ctrl] : info.mapCtrlInfo)
        paths.push_back(ctrl.CtrlBGPath);
    for (const std::wstring& path : paths) {
        if (path == kDataRoot)
            continue; // no image
        ASSERT_TRUE(path.starts_with(kDataRoot + kPictureFolder)) << ToLocalPath(path);
        const std::wstring name = path.substr(kDataRoot.size() + kPictureFolder.size());
        EXPECT_TRUE(std::filesystem::is_regular_file(kResources / "skin" / ToLocalPath(name)))
            << ToLocalPath(name);
    }
}

TEST_P(ShippedLayoutsTest, HoldsEveryStringTheMainWindowReads)
{
    const DialogLayoutInfo info = Load(GetParam());
    for (const wchar_t* key : kStringKeys)
        EXPECT_FALSE(CLayoutLoader::GetStringInfo(info, key).empty()) << ToLocalPath(key);
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"SEARCH_DEVICE_LIST_HEADER_FONT_SIZE"), L"12");
    EXPECT_EQ(CLayoutLoader::GetStringInfo(info, L"SEARCH_DEVICE_LIST_HEADER_FONT_COLOR"), L"244,245,247");
}

INSTANTIATE_TEST_SUITE_P(Variants, ShippedLayoutsTest, ::testing::ValuesIn(ShippedLayouts()),
                         [](const auto& param) {
                             std::string name = param.param.stem().string();
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
