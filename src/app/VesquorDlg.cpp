#include "app/VesquorDlg.h"

#include "app/AddHostDlg.h"
#include "app/DataFolder.h"
#include "app/InstanceName.h"
#include "app/LanguageIndex.h"
#include "app/NetworkStorage.h"
#include "app/NothingFoundDlg.h"
#include "app/WebLogin.h"
#include "controls/BasicButton.h"
#include "controls/ControlId.h"
#include "controls/SkinImagePrefetch.h"
#include "controls/StandardListCtrl.h"
#include "discovery/SearchDeviceService.h"
#include "discovery/SearchFindings.h"
#include "platform/ProcessTuning.h"
#include "platform/SessionServices.h"

#include "TravelkinResources.h"

#include <QEvent>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QTimerEvent>

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace {

constexpr int kWaitTimerPeriodMs = 1000;
// The first search goes out right after the window's first paint, or after this long in a
// window that is never painted (one that starts hidden or minimised).
constexpr int kFirstSearchLatestMs = 250;

const std::wstring kLayoutSkin = L"Standard";
const std::wstring kWaitTimeWarning = L"SEARCH_DEVICE_WATI_TIME_WARNING";

void Enable(CBasicButton* button, bool enabled)
{
    if (button)
        button->setEnabled(enabled);
}

void Show(QWidget* control, bool visible)
{
    if (control)
        control->setVisible(visible);
}

// When TRAVELKIN_PAINT_STAMP is set, the first paint of the window is reported on standard
// error with the wall-clock time in nanoseconds, for start-up measurements.
void ReportFirstPaint()
{
    if (qEnvironmentVariableIsEmpty("TRAVELKIN_PAINT_STAMP"))
        return;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    std::fprintf(stderr, "first-paint %lld\n", static_cast<long long>(now.count()));
    std::fflush(stderr);
}

} // namespace

SearchWindowServices SearchWindowServices::ProcessWide()
{
    return {CSearchDeviceService::Instance(), SystemDesktopServices(), GetCommonTemplatesPath(),
            GetLanguageIndex()};
}

CVesquorDlg::CVesquorDlg() : CVesquorDlg(SearchWindowServices::ProcessWide()) {}

CVesquorDlg::CVesquorDlg(SearchWindowServices windowServices)
    : CBasicNoneBorderDlg([root = windowServices.dataRoot] { return root; }),
      services(std::move(windowServices)), texts(LayoutResourceId(services.languageIndex)),
      hostsReader(services.dataRoot, [this](std::vector<boost::asio::ip::address_v4> hosts) {
          std::set<std::string> listed;
          for (const auto& address : hosts)
              listed.insert(address.to_string());
          // The window's copy is for the details only; the search has its own at once.
          QMetaObject::invokeMethod(
              this, [this, listed] { directHosts = listed; }, Qt::QueuedConnection);
          services.search.SetDirectHosts(std::move(hosts));
      })
{
    InitTravelkinResources();
    // Decoded as the PNG it is, without guessing: a guess would consult the MIME database and
    // load every image plugin first, which costs more than all of the skin.
    QImageReader icon(QStringLiteral(":/ICON/128"), "PNG");
    icon.setAutoDetectImageFormat(false);
    hIcon = QIcon(QPixmap::fromImage(icon.read()));
    SetShapeBitmap(QString::fromStdWString(PicturePath(L"\\SearchDevice_BlackGround.bmp")));
}

// The layout frame deletes the controls; the window's references to them go with them.
// Requests still pending report to no window: the busy pointer goes with it. The dialog that
// adds a device goes before the worker it hands its steps to.
CVesquorDlg::~CVesquorDlg()
{
    delete pAddHostDlg.data();
    if (nStorageRequests > 0)
        QGuiApplication::restoreOverrideCursor();
}

std::wstring CVesquorDlg::PicturePath(const wchar_t* fileName) const
{
    return services.dataRoot + kDataFolderName + kPictureFolderName + fileName;
}

bool CVesquorDlg::OnInitDialog()
{
    CBasicNoneBorderDlg::OnInitDialog();
    setWindowIcon(hIcon);
    LoadLayout(std::wstring(kDataFolderName) + kLayoutFileName, kLayoutDialogId, kLayoutSkin);
    SetCtrlStatus(CtrlStatus::Initial);
    setWindowTitle(QString::fromLatin1(kInstanceName));
    InitDeviceList();
    CreateHelpControls();
    FillDeviceList();
    if (pDeviceList)
        pDeviceList->setFocus(); // the keyboard starts on the list
    OnRefresh();
    return true;
}

void CVesquorDlg::ApplyCtrlInfo()
{
    ReleaseLayoutObjects();
    CreateLayoutControls(this);
    FindLayoutControls();
}

void CVesquorDlg::FindLayoutControls()
{
    pDeviceList = qobject_cast<CStandardListCtrl*>(FindListCtrl(IDC_DEVICE_LIST));
    pWaitText = FindShowCtrl(IDC_WAIT_TEXT);
    pCloseButton = qobject_cast<CBasicButton*>(FindButtonCtrl(IDC_CLOSE));
    pLogInButton = qobject_cast<CBasicButton*>(FindButtonCtrl(IDC_LOG_IN));
    pRefreshButton = qobject_cast<CBasicButton*>(FindButtonCtrl(IDC_REFRESH));
    pMyStorageButton = qobject_cast<CBasicButton*>(FindButtonCtrl(IDC_MY_STORAGE));

    for (CBasicButton* button :
         {pCloseButton.data(), pLogInButton.data(), pRefreshButton.data(), pMyStorageButton.data()}) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, &CVesquorDlg::OnControlClicked,
                    Qt::UniqueConnection);
    }
    // Clicks on the list and keys that move its selection set the device buttons; Enter on
    // a chosen row logs in.
    if (pDeviceList) {
        pDeviceList->installEventFilter(this);
        pDeviceList->viewport()->installEventFilter(this);
    }
    SetKeyboardOrder();
}

void CVesquorDlg::SetKeyboardOrder()
{
    // Tab goes from the list (and the empty list's "Why?") through the buttons in the order
    // they sit, close last.
    QWidget* previous = nullptr;
    for (QWidget* control : std::initializer_list<QWidget*>{pDeviceList.data(), pWhyLink.data(),
                                                            pLogInButton.data(), pRefreshButton.data(),
                                                            pMyStorageButton.data(), pCloseButton.data()}) {
        if (!control)
            continue;
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
}

bool CVesquorDlg::IsLayoutReady()
{
    return pDeviceList && pWaitText && pCloseButton && pLogInButton && pRefreshButton && pMyStorageButton;
}

void CVesquorDlg::DrawDialog(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBackground(nullptr, this, painter);
    RefreshCtrlBackgrounds(PaintSurface(), this);
}

void CVesquorDlg::SetCtrlStatus(CtrlStatus state)
{
    switch (state) {
    case CtrlStatus::Initial:
        Show(pWaitText, false);
        Enable(pCloseButton, true);
        Enable(pLogInButton, false);
        Enable(pRefreshButton, true);
        Enable(pMyStorageButton, false);
        break;
    case CtrlStatus::Searching:
        Show(pWaitText, true);
        Enable(pLogInButton, false);
        Enable(pRefreshButton, false);
        Enable(pMyStorageButton, false);
        break;
    case CtrlStatus::CountdownEnded:
        Show(pWaitText, false);
        Enable(pRefreshButton, true);
        break;
    case CtrlStatus::RowSelected:
        Enable(pLogInButton, true);
        Enable(pMyStorageButton, true);
        break;
    case CtrlStatus::NoRowSelected:
        Enable(pLogInButton, false);
        Enable(pMyStorageButton, false);
        break;
    }
}

void CVesquorDlg::ShowWaitTime(int seconds)
{
    const QString warning = QString::fromStdWString(GetStringInfo(kWaitTimeWarning));
    SetWaitText(QStringLiteral("%1 %2s...").arg(warning, QString::number(seconds)));
}

void CVesquorDlg::SetWaitText(const QString& text)
{
    if (!pWaitText)
        return;
    if (CBasicPropertyFrame* frame = dynamic_cast<CBasicPropertyFrame*>(pWaitText.data()))
        frame->SetDrawText(text, frame->nTextX, frame->nTextY);
    pWaitText->update();
}

void CVesquorDlg::OnRefresh()
{
    // The search service starts whatever the layout holds; searching and showing need the
    // controls.
    services.search.ClearDevices();
    // Starting the search workers and sending the first query take longer than painting the
    // window: the window is put on the screen first and the search follows at once.
    if (bSearchStarted)
        SendSearch();
    else
        firstSearchTimer.start(bFirstPaintReported ? 0 : kFirstSearchLatestMs, this);
    if (!IsLayoutReady())
        return;
    pDeviceList->DeleteAllItems();
    recordByAddress.clear();
    ShowNothingFound(false);
    DumpList();
    ShowWaitTime(kSearchSeconds);
    SetCtrlStatus(CtrlStatus::Searching);
    waitTimer.start(kWaitTimerPeriodMs, this);
}

void CVesquorDlg::SendSearch()
{
    // A window that cannot show what it finds does not search; its service runs all the same.
    if (!IsLayoutReady())
        return;
    // The search goes out with the addresses read last (the first read began with the
    // window); the read asked for here reaches its repeats.
    hostsReader.Read();
    services.search.SendSearchRequest();
}

void CVesquorDlg::SendFirstSearch()
{
    firstSearchTimer.stop();
    bSearchStarted = true;
    services.search.StartSearchService();
    SendSearch();
}

void CVesquorDlg::OnLogIn()
{
    if (!IsLayoutReady())
        return;
    OpenWebLogin(SelectedIp(), services.desktop.urlOpener);
}

void CVesquorDlg::OnMyStorage()
{
    if (!IsLayoutReady())
        return;
    // The action waits for other programs; the window never does, but shows it is working.
    // A second click for the same device while its request is pending is not queued again.
    const std::optional<std::string> ip = SelectedIp();
    const bool bTaken =
        storageWorker.Post(ip.value_or(""), [this, ip, &desktop = services.desktop](std::stop_token stop) {
            OpenMyStorage(ip, desktop, CNetStorageHelper::Instance(), std::move(stop));
            QMetaObject::invokeMethod(this, &CVesquorDlg::OnMyStorageDone, Qt::QueuedConnection);
        });
    // Application-wide, so the button just clicked shows it too, not only the window.
    if (bTaken && nStorageRequests++ == 0)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
}

void CVesquorDlg::OnMyStorageDone()
{
    if (--nStorageRequests == 0)
        QGuiApplication::restoreOverrideCursor();
}

void CVesquorDlg::OnWaitTimer()
{
    if (nWaitCount == kSearchSeconds) {
        waitTimer.stop();
        nWaitCount = 1;
        SetCtrlStatus(CtrlStatus::CountdownEnded);
        ShowNothingFound(IsLayoutReady() && pDeviceList->GetItemCount() == 0);
        return;
    }
    UpdateDeviceList();
    ShowWaitTime(kSearchSeconds - nWaitCount);
    ++nWaitCount;
}

void CVesquorDlg::OnActivateInstance()
{
    if (isMinimized())
        return;
    raise();
    activateWindow();
}

void CVesquorDlg::OnControlClicked()
{
    const auto* control = qobject_cast<QWidget*>(sender());
    if (!control)
        return;
    switch (GetDlgCtrlID(*control)) {
    case IDC_CLOSE:
        reject();
        break;
    case IDC_LOG_IN:
        OnLogIn();
        break;
    case IDC_REFRESH:
        OnRefresh();
        break;
    case IDC_MY_STORAGE:
        OnMyStorage();
        break;
    default:
        break;
    }
}

void CVesquorDlg::OnListClick()
{
    SetCtrlStatus(GetSelectedItem() != -1 ? CtrlStatus::RowSelected : CtrlStatus::NoRowSelected);
}

void CVesquorDlg::OnListDoubleClick()
{
    if (GetSelectedItem() != -1)
        OnLogIn();
}

bool CVesquorDlg::OnListKey(const QKeyEvent& key)
{
    if (key.matches(QKeySequence::Copy)) {
        OnCopyAddress();
        return true;
    }
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (GetSelectedItem() == -1)
            return false;
        OnLogIn();
        return true;
    case Qt::Key_F5:
        OnRefreshKey();
        return true;
    case Qt::Key_F10:
        if (!(key.modifiers() & Qt::ShiftModifier))
            return false;
        ShowContextMenuAtSelection();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return false;
    default:
        // The list moves its selection first; the window then looks at it as after a click.
        QMetaObject::invokeMethod(this, &CVesquorDlg::OnListClick, Qt::QueuedConnection);
        return false;
    }
}

bool CVesquorDlg::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (pDeviceList && watched == pDeviceList.data() && type == QEvent::KeyPress &&
        OnListKey(*static_cast<QKeyEvent*>(event)))
        return true;
    // The Menu key comes as a context menu event for the list itself (the system makes it from
    // the key), a right click as one for its viewport.
    if (pDeviceList && (watched == pDeviceList.data() || watched == pDeviceList->viewport()) &&
        type == QEvent::ContextMenu) {
        OnListContextMenu(*static_cast<QContextMenuEvent*>(event));
        return true;
    }
    if (pDeviceList && watched == pDeviceList->viewport() && type == QEvent::ToolTip) {
        ShowRowDetails(*static_cast<QHelpEvent*>(event));
        return true;
    }
    if (pDeviceList && watched == pDeviceList->viewport() &&
        (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The list takes the click first; the window looks at the selection it left.
        if (type == QEvent::MouseButtonRelease)
            QMetaObject::invokeMethod(this, &CVesquorDlg::OnListClick, Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(this, &CVesquorDlg::OnListDoubleClick, Qt::QueuedConnection);
    }
    return CBasicNoneBorderDlg::eventFilter(watched, event);
}

void CVesquorDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == waitTimer.timerId())
        OnWaitTimer();
    else if (event->timerId() == firstSearchTimer.timerId())
        SendFirstSearch();
    else
        CBasicNoneBorderDlg::timerEvent(event);
}

void CVesquorDlg::paintEvent(QPaintEvent* event)
{
    CBasicNoneBorderDlg::paintEvent(event);
    if (!bFirstPaintReported) {
        bFirstPaintReported = true;
        ReportFirstPaint();
        if (firstSearchTimer.isActive())
            firstSearchTimer.start(0, this); // once this paint is on the screen
        // Start-up is over once the window is on the screen: what it used and freed (the
        // layout's document, the pictures' decoding buffers) goes back to the system.
        QTimer::singleShot(0, this, [] {
            CSkinImagePrefetch::Release();
            ReturnFreedMemory();
        });
    }
}
