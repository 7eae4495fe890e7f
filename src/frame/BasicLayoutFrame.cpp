#include "frame/BasicLayoutFrame.h"

#include "controls/BasicListCtrl.h"
#include "controls/BasicPropertyFrame.h"
#include "controls/ControlClassRegistry.h"
#include "controls/WideText.h"

#include <QImage>

#include <utility>

namespace {

// The longest face name a font description holds.
constexpr std::size_t kMaxFaceLength = 31;

QRect RectOf(const LayoutRect& rect)
{
    return {rect.left, rect.top, rect.Width(), rect.Height()};
}

// Screen readers name a control by its layout text, or by its description when it shows no
// text (the close button, the logo).
void NameForAccessibility(QWidget& control, const CtrlLayoutInfo& info)
{
    const QString description = FromWide(info.CtrlDiscrip);
    const QString text = FromWide(info.CtrlText);
    control.setAccessibleName(text.isEmpty() ? description : text);
    control.setAccessibleDescription(description);
}

QWidget* FindIn(const CBasicLayoutFrame::ControlRegistry& registry, std::int32_t ctrlId)
{
    const auto found = registry.find(ctrlId);
    return found == registry.end() ? nullptr : found->second.get();
}

} // namespace

CBasicLayoutFrame::CBasicLayoutFrame(CLayoutLoader::DataRootProvider dataRoot) : loader(std::move(dataRoot))
{
}

CBasicLayoutFrame::~CBasicLayoutFrame()
{
    ReleaseLayoutObjects();
}

void CBasicLayoutFrame::LoadLayout(const std::wstring& relativePath, std::int32_t dialogId,
                                   const std::wstring& skin)
{
    LoadLayoutFile(loader.MakeLayoutPath(relativePath), dialogId, skin);
}

void CBasicLayoutFrame::LoadLayoutFile(const std::wstring& path, std::int32_t dialogId,
                                       const std::wstring& skin)
{
    ParseLayout(path, dialogId, skin);
    ApplyLayout();
}

int CBasicLayoutFrame::ParseLayout(const std::wstring& path, std::int32_t dialogId, const std::wstring& skin)
{
    return loader.ParseLayout(path, dialogId, skin, dlgLayoutInfo);
}

void CBasicLayoutFrame::ApplyLayout()
{
    ApplyDialogInfo();
    ApplyCtrlInfo();
}

void CBasicLayoutFrame::ApplyDialogInfo() {}

void CBasicLayoutFrame::ApplyCtrlInfo()
{
    ReleaseLayoutObjects();
}

void CBasicLayoutFrame::FindLayoutControls() {}

bool CBasicLayoutFrame::IsLayoutReady()
{
    return true;
}

int CBasicLayoutFrame::GetCtrlInfo(std::int32_t ctrlId, CtrlLayoutInfo& out) const
{
    return CLayoutLoader::GetCtrlInfo(dlgLayoutInfo, ctrlId, out);
}

std::wstring CBasicLayoutFrame::GetStringInfo(const std::wstring& key) const
{
    return CLayoutLoader::GetStringInfo(dlgLayoutInfo, key);
}

QFont* CBasicLayoutFrame::CreateLayoutFont(std::wstring_view face, std::int32_t size)
{
    auto font = std::make_unique<QFont>(FromWide(face.substr(0, kMaxFaceLength)));
    // A height of 0 asks for the default size, as a zero-filled font description does.
    if (size > 0)
        font->setPixelSize(size);
    vecGdiObjects.push_back(std::move(font));
    return vecGdiObjects.back().get();
}

void CBasicLayoutFrame::ReleaseLayoutObjects()
{
    vecGdiObjects.clear();
    for (ControlRegistry* registry : {&mapButtonCtrls, &mapShowCtrls, &mapListCtrls}) {
        // Ascending CtrlID; erasing one by one keeps the map valid if a control's end
        // reaches back into the frame.
        while (!registry->empty())
            registry->erase(registry->begin());
    }
}

QWidget* CBasicLayoutFrame::FindButtonCtrl(std::int32_t ctrlId) const
{
    return FindIn(mapButtonCtrls, ctrlId);
}

QWidget* CBasicLayoutFrame::FindShowCtrl(std::int32_t ctrlId) const
{
    return FindIn(mapShowCtrls, ctrlId);
}

QWidget* CBasicLayoutFrame::FindListCtrl(std::int32_t ctrlId) const
{
    return FindIn(mapListCtrls, ctrlId);
}

void CBasicLayoutFrame::RefreshCtrlBackgrounds(const QImage& parentSurface, QWidget* parent)
{
    for (const ControlRegistry* registry : {&mapButtonCtrls, &mapShowCtrls}) {
        for (const auto& [ctrlId, control] : *registry) {
            if (CBasicPropertyFrame* frame = PropertyFrameOf(control.get()))
                frame->CaptureParentBackground(parentSurface, control.get(), parent);
        }
    }
}

void CBasicLayoutFrame::CreateStandardButtons(QWidget* parent)
{
    CreateControlsOfClass(parent, L"StandardButton");
}
void CBasicLayoutFrame::CreateRadioBoxButtons(QWidget* parent)
{
    CreateControlsOfClass(parent, L"RadioBoxButton");
}
void CBasicLayoutFrame::CreateCheckBoxButtons(QWidget* parent)
{
    CreateControlsOfClass(parent, L"CheckBoxButton");
}
void CBasicLayoutFrame::CreateDriftButtons(QWidget* parent)
{
    CreateControlsOfClass(parent, L"DriftButton");
}
void CBasicLayoutFrame::CreateShowTextCtrls(QWidget* parent)
{
    CreateControlsOfClass(parent, L"ShowTextCtrl");
}
void CBasicLayoutFrame::CreateShowImageCtrls(QWidget* parent)
{
    CreateControlsOfClass(parent, L"ShowImageCtrl");
}
void CBasicLayoutFrame::CreateShowTextImageCtrls(QWidget* parent)
{
    CreateControlsOfClass(parent, L"ShowTextImageCtrl");
}
void CBasicLayoutFrame::CreateStandardListCtrls(QWidget* parent)
{
    CreateControlsOfClass(parent, L"StandardListCtrl");
}
void CBasicLayoutFrame::CreateShowTaskListCtrls(QWidget* parent)
{
    CreateControlsOfClass(parent, L"ShowTaskListCtrl");
}

void CBasicLayoutFrame::CreateLayoutControls(QWidget* parent)
{
    CreateStandardButtons(parent);
    CreateRadioBoxButtons(parent);
    CreateCheckBoxButtons(parent);
    CreateDriftButtons(parent);
    CreateShowTextCtrls(parent);
    CreateShowImageCtrls(parent);
    CreateShowTextImageCtrls(parent);
    CreateStandardListCtrls(parent);
    CreateShowTaskListCtrls(parent);
}

CBasicLayoutFrame::ControlRegistry& CBasicLayoutFrame::RegistryOf(ControlFamily family)
{
    switch (family) {
    case ControlFamily::Button:
        return mapButtonCtrls;
    case ControlFamily::List:
        return mapListCtrls;
    case ControlFamily::Display:
        break;
    }
    return mapShowCtrls;
}

void CBasicLayoutFrame::CreateControlsOfClass(QWidget* parent, std::wstring_view className)
{
    const ControlClass* controlClass = ControlClassRegistry::Global().Find(className);
    if (!controlClass || !controlClass->create)
        return; // a class this program does not offer: its records get no control
    for (const auto& [ctrlId, info] : dlgLayoutInfo.mapCtrlInfo) {
        if (info.CtrlClass != className)
            continue;
        std::unique_ptr<QWidget> control = controlClass->create();
        if (CBasicPropertyFrame* frame = PropertyFrameOf(control.get())) {
            frame->clrBack = ArgbFromLayoutColor(info.CtrlBGColor);
            frame->clrBorder = ArgbFromLayoutColor(info.CtrlBorderColor);
            frame->nPaintMode = info.CtrlPaintMode;
        }
        const QRect position = RectOf(info.CtrlPos);
        CreateControlWindow(*control, parent, position, ctrlId);
        ApplyControlSteps(*control, controlClass->steps, info);
        NameForAccessibility(*control, info);
        control->setGeometry(position);
        control->update();
        ShowControlWindow(*control, info.CtrlShow);
        RegistryOf(controlClass->family).emplace(ctrlId, CLayoutControl(std::move(control)));
    }
}

void CBasicLayoutFrame::ApplyControlSteps(QWidget& control, unsigned steps, const CtrlLayoutInfo& info)
{
    if (CBasicPropertyFrame* frame = PropertyFrameOf(&control)) {
        if (steps & kStepStateImage)
            frame->SetStateImage(std::wstring_view(info.CtrlBGPath), info.CtrlBGStatusCount, 0, 0);
        if (steps & kStepText)
            frame->SetDrawText(std::wstring_view(info.CtrlText), info.CtrlTextOffSet.x,
                               info.CtrlTextOffSet.y);
        if (steps & kStepFont)
            frame->SetDrawFont(std::wstring_view(info.CtrlFont), info.CtrlFontSize);
        if (steps & kStepTextColor)
            frame->clrText = ArgbFromLayoutColor(info.CtrlTextColor);
        if (steps & kStepToolTip)
            frame->CreateToolTip(&control, std::wstring_view(info.CtrlDiscrip));
    }
    if (steps & kStepListFont) {
        if (auto* list = qobject_cast<CBasicListCtrl*>(&control)) {
            if (const QFont* font = CreateLayoutFont(info.CtrlFont, info.CtrlFontSize))
                list->SetRowFont(*font);
            list->SetTextColor(ArgbFromLayoutColor(info.CtrlTextColor));
        }
    }
}
