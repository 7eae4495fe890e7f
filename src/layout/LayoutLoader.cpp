#include "layout/LayoutLoader.h"

#include "layout/LayoutValueParser.h"
#include "layout/LocalPath.h"
#include "os/LocalFile.h"

#include <pugixml.hpp>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// Every element of one name below a node, in document order. The tree walk is iterative,
// so a deeply nested hostile document cannot exhaust the stack.
class ElementCollector : public pugi::xml_tree_walker
{
public:
    explicit ElementCollector(const char* elementName) : name(elementName) {}

    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0)
            found.push_back(node);
        return true;
    }

    std::vector<pugi::xml_node> Collect(pugi::xml_node below)
    {
        below.traverse(*this);
        return std::move(found);
    }

private:
    const char* name;
    std::vector<pugi::xml_node> found;
};

std::vector<pugi::xml_node> DescendantsNamed(pugi::xml_node below, const char* name)
{
    return ElementCollector(name).Collect(below);
}

// The dialogs of the document: "DialogInfo" elements whose parent is a "WindowInformation".
std::vector<pugi::xml_node> DialogElements(const pugi::xml_document& document)
{
    std::vector<pugi::xml_node> dialogs = DescendantsNamed(document, "DialogInfo");
    std::erase_if(dialogs, [](const pugi::xml_node& dialog) {
        return std::strcmp(dialog.parent().name(), "WindowInformation") != 0;
    });
    return dialogs;
}

pugi::xml_node FirstChildElement(const pugi::xml_node& parent, const std::string& name)
{
    for (pugi::xml_node child : parent.children()) {
        if (child.type() == pugi::node_element && name == child.name())
            return child;
    }
    return {};
}

// An absent attribute reads as empty text, so its field keeps the reset value.
std::wstring Text(const pugi::xml_node& element, const char* name)
{
    return WideFromUtf8(element.attribute(name).value());
}

std::int32_t Integer(const pugi::xml_node& element, const char* name)
{
    return ParseInteger(Text(element, name));
}

// The attribute text is kept beside the colour value; text that does not parse leaves the value.
void ReadColor(const pugi::xml_node& element, const char* name, std::wstring& text, LayoutColor& value)
{
    text = Text(element, name);
    ParseColor(text, value);
}

void ReadSkin(const pugi::xml_node& skin, const std::wstring& dataRoot, DialogLayoutInfo& info)
{
    info.DialogBGPath = dataRoot + Text(skin, "DialogBGPath");
    ReadColor(skin, "DialogBGColor", info.strDialogBGColor, info.DialogBGColor);
    info.DlgPaintMode = Integer(skin, "DlgPaintMode");
    ParseOffset(Text(skin, "DlgTextOffSet"), info.DlgTextOffSet);
    ReadColor(skin, "DlgTextColor", info.strDlgTextColor, info.DlgTextColor);
    info.DialogFont = Text(skin, "DialogFont");
    info.DialogFontSize = Integer(skin, "DialogFontSize");
    ParsePosition(Text(skin, "DialogPos"), info.DialogPos);
}

CtrlLayoutInfo ReadControl(const pugi::xml_node& element, const std::wstring& dataRoot)
{
    CtrlLayoutInfo ctrl;
    ctrl.CtrlID = Integer(element, "CtrlID");
    ctrl.CtrlBGPath = dataRoot + Text(element, "CtrlBGPath");
    ctrl.CtrlBGStatusCount = Integer(element, "CtrlBGStatusCount");
    ReadColor(element, "CtrlBGColor", ctrl.strCtrlBGColor, ctrl.CtrlBGColor);
    ReadColor(element, "CtrlBorderColor", ctrl.strCtrlBorderColor, ctrl.CtrlBorderColor);
    ctrl.CtrlPaintMode = Integer(element, "CtrlPaintMode");
    ctrl.CtrlClass = Text(element, "CtrlClass");
    ctrl.CtrlStyle = ParseStyle(Text(element, "CtrlStyle"));
    ctrl.CtrlPosType = Integer(element, "CtrlPosType");
    ParsePosition(Text(element, "CtrlPos"), ctrl.CtrlPos);
    ctrl.CtrlShow = Integer(element, "CtrlShow");
    ctrl.CtrlText = Text(element, "CtrlText");
    ParseOffset(Text(element, "CtrlTextOffSet"), ctrl.CtrlTextOffSet);
    ReadColor(element, "CtrlTextColor", ctrl.strCtrlTextColor, ctrl.CtrlTextColor);
    ctrl.CtrlFont = Text(element, "CtrlFont");
    ctrl.CtrlFontSize = Integer(element, "CtrlFontSize");
    ctrl.CtrlDiscrip = Text(element, "CtrlDiscrip");
    return ctrl;
}

void ReadStrings(const pugi::xml_node& dialog, DialogLayoutInfo& info)
{
    for (const pugi::xml_node& entry : DescendantsNamed(dialog, "StringInfo")) {
        // emplace keeps an existing key: the first occurrence wins.
        info.mapStringInfo.emplace(Text(entry, "StringID"), Text(entry, "StringValue"));
    }
}

// The whole file, or nothing when it is not a regular file or is larger than the cap.
bool ReadLayoutFile(const std::wstring& path, std::string& content)
{
    return ReadRegularFile(ToLocalPath(path), CLayoutLoader::kMaxLayoutFileSize, content) ==
           LocalFileStatus::Done;
}

} // namespace

CLayoutLoader::CLayoutLoader(DataRootProvider provider) : dataRootProvider(std::move(provider)) {}

int CLayoutLoader::ParseLayout(const std::wstring& path, std::int32_t dialogId, const std::wstring& skin,
                               DialogLayoutInfo& info) const
{
    info.Reset();
    if (path.empty())
        return 0;
    std::string content;
    if (!ReadLayoutFile(path, content))
        return 1; // an unreadable file reads as a document without dialogs
    return ParseLayoutBuffer(content, dialogId, skin, info);
}

int CLayoutLoader::ParseLayoutBuffer(std::string_view document, std::int32_t dialogId,
                                     const std::wstring& skin, DialogLayoutInfo& info) const
{
    info.Reset();
    pugi::xml_document xml;
    if (!xml.load_buffer(document.data(), document.size()))
        return 1; // not well-formed: nothing of a half-read document is used

    const std::string skinName = pugi::as_utf8(skin);
    for (const pugi::xml_node& dialog : DialogElements(xml)) {
        if (Integer(dialog, "DialogID") != dialogId)
            continue;
        // A later dialog with the same identifier overwrites these fields and adds only
        // controls and strings whose keys are new.
        info.DialogID = dialogId;
        info.DialogText = Text(dialog, "DialogText");
        info.DialogDiscrip = Text(dialog, "DialogDiscrip");
        if (const pugi::xml_node skinElement = FirstChildElement(dialog, skinName)) {
            const std::wstring dataRoot = dataRootProvider ? dataRootProvider() : std::wstring();
            ReadSkin(skinElement, dataRoot, info);
            for (const pugi::xml_node& element : DescendantsNamed(skinElement, "CtrlInfo")) {
                CtrlLayoutInfo ctrl = ReadControl(element, dataRoot);
                info.mapCtrlInfo.emplace(ctrl.CtrlID, std::move(ctrl));
            }
        }
        ReadStrings(dialog, info);
    }
    return 1;
}

std::wstring CLayoutLoader::MakeLayoutPath(const std::wstring& relative) const
{
    const std::wstring dataRoot = dataRootProvider ? dataRootProvider() : std::wstring();
    if (dataRoot.empty())
        return {};
    return dataRoot + relative;
}

int CLayoutLoader::GetCtrlInfo(const DialogLayoutInfo& info, std::int32_t ctrlId, CtrlLayoutInfo& out)
{
    const auto found = info.mapCtrlInfo.find(ctrlId);
    if (found == info.mapCtrlInfo.end())
        return 1;
    out = found->second;
    return 0;
}

std::wstring CLayoutLoader::GetStringInfo(const DialogLayoutInfo& info, const std::wstring& key)
{
    const auto found = info.mapStringInfo.find(key);
    return found == info.mapStringInfo.end() ? std::wstring() : found->second;
}
