#pragma once

// The program's only window: a borderless, skinned dialog that lists the devices found on the
// network, counts a ten-second search down while it polls the search service's registry once
// a second, and offers Log In, My Storage and Refresh on the chosen device.
//
// The search service never calls the window: the window starts a search and its timer
// drives every update of the list. The window starts the service with its first search.

#include "app/AddHostDlg.h"
#include "app/AddHostWorker.h"
#include "app/DeviceText.h"
#include "app/DirectHostsReader.h"
#include "app/ListDump.h"
#include "app/NothingFoundDlg.h"
#include "app/StorageWorker.h"
#include "app/WindowTexts.h"
#include "frame/BasicNoneBorderDlg.h"
#include "platform/DesktopServices.h"

#include <QBasicTimer>
#include <QIcon>
#include <QPointer>
#include <QPushButton>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CBasicButton;
class CSearchDeviceService;
class CStandardListCtrl;
class QContextMenuEvent;
class QHelpEvent;
class QKeyEvent;
struct DeviceRecord;

// What the window works with; the defaults are the process-wide ones.
struct SearchWindowServices
{
    CSearchDeviceService& search;
    DesktopServices& desktop;
    std::wstring dataRoot;
    // Chooses the texts beyond the layout: the language the data folder was written in.
    int languageIndex = 1;

    static SearchWindowServices ProcessWide();
};

// Control identifiers of the window's working controls in the layout.
enum SearchWindowCtrlId : int
{
    IDC_CLOSE = 2103,
    IDC_DEVICE_LIST = 2105,
    IDC_WAIT_TEXT = 2106,
    IDC_LOG_IN = 2107,
    IDC_REFRESH = 2108,
    IDC_MY_STORAGE = 2109,
};

// What the window lets the user do, set at each moment that changes it; a state names only
// the controls it changes and leaves the others as they are.
enum class CtrlStatus
{
    Initial,        // the window opens: Close and Refresh, no device actions, no wait text
    Searching,      // a search starts: the wait text, no Refresh and no device actions
    CountdownEnded, // the wait text goes and Refresh comes back
    RowSelected,    // a click or key on the list left a row chosen: Log In and My Storage
    NoRowSelected,  // ... and left none: no Log In, no My Storage
};

class CVesquorDlg : public CBasicNoneBorderDlg
{
    Q_OBJECT

public:
    CVesquorDlg();
    explicit CVesquorDlg(SearchWindowServices services);
    ~CVesquorDlg() override;

    static constexpr int kSearchSeconds = 10;
    static constexpr int kLayoutDialogId = 201;

    void ApplyCtrlInfo() override;
    void FindLayoutControls() override;
    bool IsLayoutReady() override;
    void DrawDialog(QPainter& painter) override;

    void SetCtrlStatus(CtrlStatus state);
    void InitDeviceList();
    void FillDeviceList();
    void UpdateDeviceList();
    void ShowWaitTime(int seconds);
    void SetWaitText(const QString& text);
    // The first selected row, or -1 when there is none or the window is not ready.
    int GetSelectedItem();
    void OnRefresh();
    void OnLogIn();
    void OnMyStorage();
    void OnMyStorageDone(); // on the UI thread, after each My Storage request has run

    // One tick of the countdown timer: ticks 1 to 9 update the list and count 9 to 1
    // seconds down, tick 10 ends the search.
    void OnWaitTimer();
    bool IsSearching() const { return waitTimer.isActive(); }
    // The first search waits for the window's first paint.
    bool IsFirstSearchPending() const { return firstSearchTimer.isActive(); }

    // A later start of the program asks to see this window: it comes to the front without
    // staying on top; a minimised window stays minimised.
    void OnActivateInstance();

    // The help around the list: the menu of a row or of the empty space, the "Why?" link of
    // an empty list and its dialog, the dialog that adds a device by address.
    void ShowContextMenu(QPoint globalPos, int row);
    void ShowContextMenuAtSelection(); // the Menu key and Shift+F10
    void OnCopyAddress();
    void OnRefreshKey(); // F5: a refresh when Refresh is enabled
    void OnCopyDetails();
    void OnWhy();
    void OnAddHost();
    QString DetailsOf(int row) const;
    // Null until an empty list first needs it.
    QPushButton* WhyLink() const { return pWhyLink.data(); }
    CNothingFoundDlg* WhyDialog() const { return pWhyDlg.data(); }
    CAddHostDlg* AddHostDialog() const { return pAddHostDlg.data(); }

    int nWaitCount = 1;

protected:
    bool OnInitDialog() override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private slots:
    void OnControlClicked();

private:
    void OnListClick();
    void OnListDoubleClick();
    // A key pressed on the list; true when the window took it.
    bool OnListKey(const QKeyEvent& key);
    void SetKeyboardOrder();
    void SendSearch();
    void SendFirstSearch();
    std::optional<std::string> SelectedIp();
    void InsertDevice(const DeviceRecord& device);
    void RememberDevices(const std::vector<DeviceRecord>& devices);
    void ShowNothingFound(bool shown);
    void OnListContextMenu(const QContextMenuEvent& event);
    void ShowRowDetails(const QHelpEvent& event);
    void CreateHelpControls();
    // The "Why?" link, made on first use.
    QPushButton& MakeWhyLink();
    void DumpList() const;
    std::wstring PicturePath(const wchar_t* fileName) const;

    SearchWindowServices services;
    QIcon hIcon;
    QPointer<CStandardListCtrl> pDeviceList;
    QPointer<QWidget> pWaitText;
    QPointer<CBasicButton> pCloseButton;
    QPointer<CBasicButton> pLogInButton;
    QPointer<CBasicButton> pRefreshButton;
    QPointer<CBasicButton> pMyStorageButton;
    QPointer<QPushButton> pWhyLink;
    bool helpShortcutsMade = false;
    QPointer<CNothingFoundDlg> pWhyDlg;
    QPointer<CAddHostDlg> pAddHostDlg;
    CWindowTexts texts;
    // The latest record of each listed address, for its details.
    std::map<QString, DeviceRecord> recordByAddress;
    // The addresses of the hosts file's last read, for "how it was found".
    std::set<std::string> directHosts;
    QBasicTimer waitTimer;
    // Armed while the first search waits for the window's first paint.
    QBasicTimer firstSearchTimer;
    bool bSearchStarted = false;
    CListDump listDump;
    bool bFirstPaintReported = false;
    // Hands each read of the hosts file to the search service.
    CDirectHostsReader hostsReader;
    // The look-ups and file steps of Add a device by address, which outlive its dialog.
    CAddHostWorker addHostWorker;
    // Last, so it goes first: requests still queued when the window goes are carried out.
    int nStorageRequests = 0; // taken and not yet run; the pointer is busy while there are any
    CStorageWorker storageWorker;
};
