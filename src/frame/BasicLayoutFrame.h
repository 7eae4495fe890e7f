#pragma once

// The part of a skinned window that knows its layout: it holds the parsed layout of the
// window, owns the fonts it makes for controls and the controls its factory creates, and runs
// loading and applying as a fixed chain of virtual steps that the window classes override:
// LoadLayout -> LoadLayoutFile -> ParseLayout -> ApplyLayout -> ApplyDialogInfo, ApplyCtrlInfo.

#include "layout/LayoutLoader.h"
#include "layout/LayoutRecords.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QImage;
enum class ControlFamily;

// One control made by the factory. The frame owns it and deletes it on the next load or at
// its own end; should the parent window have destroyed it first, nothing is deleted twice.
class CLayoutControl
{
public:
    explicit CLayoutControl(std::unique_ptr<QWidget> control) : pControl(control.release()) {}
    ~CLayoutControl() { delete pControl.data(); }
    CLayoutControl(CLayoutControl&& other) noexcept : pControl(other.pControl) { other.pControl.clear(); }
    CLayoutControl& operator=(CLayoutControl&&) = delete;
    CLayoutControl(const CLayoutControl&) = delete;
    CLayoutControl& operator=(const CLayoutControl&) = delete;

    QWidget* get() const { return pControl.data(); }

private:
    QPointer<QWidget> pControl;
};

class CBasicLayoutFrame
{
public:
    using ControlRegistry = std::map<std::int32_t, CLayoutControl>;

    // Layout paths are resolved against the data root that the provider gives.
    explicit CBasicLayoutFrame(CLayoutLoader::DataRootProvider dataRoot);
    virtual ~CBasicLayoutFrame();
    CBasicLayoutFrame(const CBasicLayoutFrame&) = delete;
    CBasicLayoutFrame& operator=(const CBasicLayoutFrame&) = delete;

    // relativePath is resolved against the data root.
    virtual void LoadLayout(const std::wstring& relativePath, std::int32_t dialogId,
                            const std::wstring& skin);
    // A failed parse still applies: the reset records give an empty window without controls.
    virtual void LoadLayoutFile(const std::wstring& path, std::int32_t dialogId, const std::wstring& skin);
    virtual int ParseLayout(const std::wstring& path, std::int32_t dialogId, const std::wstring& skin);
    virtual void ApplyLayout();
    virtual void ApplyDialogInfo();
    // Releases the controls and fonts of the previous load.
    virtual void ApplyCtrlInfo();
    virtual void FindLayoutControls();
    virtual bool IsLayoutReady();

    // 0 and the record copied out when the control is known, 1 otherwise.
    int GetCtrlInfo(std::int32_t ctrlId, CtrlLayoutInfo& out) const;
    // Empty text when the key is absent.
    std::wstring GetStringInfo(const std::wstring& key) const;

    // A new font of that face (at most 31 characters) and cell height in pixels, owned by
    // the frame until the next load. Every call makes a new font.
    QFont* CreateLayoutFont(std::wstring_view face, std::int32_t size);
    // Deletes every font, then every control, registry by registry in ascending CtrlID.
    void ReleaseLayoutObjects();

    QWidget* FindButtonCtrl(std::int32_t ctrlId) const;
    QWidget* FindShowCtrl(std::int32_t ctrlId) const;
    QWidget* FindListCtrl(std::int32_t ctrlId) const;

    // Buttons, then display controls, take a copy of the parent's freshly painted pixels
    // under them, so they draw themselves over the parent's background.
    void RefreshCtrlBackgrounds(const QImage& parentSurface, QWidget* parent);

    // The control factory: each operation creates every control of its layout class, in
    // ascending CtrlID, as children of parent.
    void CreateStandardButtons(QWidget* parent);
    void CreateRadioBoxButtons(QWidget* parent);
    void CreateCheckBoxButtons(QWidget* parent);
    void CreateDriftButtons(QWidget* parent);
    void CreateShowTextCtrls(QWidget* parent);
    void CreateShowImageCtrls(QWidget* parent);
    void CreateShowTextImageCtrls(QWidget* parent);
    void CreateStandardListCtrls(QWidget* parent);
    void CreateShowTaskListCtrls(QWidget* parent);
    // The nine operations above, in their order.
    void CreateLayoutControls(QWidget* parent);

    DialogLayoutInfo dlgLayoutInfo;
    std::vector<std::unique_ptr<QFont>> vecGdiObjects;
    ControlRegistry mapButtonCtrls;
    ControlRegistry mapShowCtrls;
    ControlRegistry mapListCtrls;

protected:
    const CLayoutLoader& Loader() const { return loader; }

private:
    void CreateControlsOfClass(QWidget* parent, std::wstring_view className);
    void ApplyControlSteps(QWidget& control, unsigned steps, const CtrlLayoutInfo& info);
    ControlRegistry& RegistryOf(ControlFamily family);

    CLayoutLoader loader;
};
