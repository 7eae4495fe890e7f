#include "app/VesquorDlg.h"

#include "controls/BasicButton.h"
#include "controls/ControlClassRegistry.h"
#include "controls/ControlId.h"
#include "controls/StandardListCtrl.h"

#include "app/SearchWindowSupport.h"
#include "controls/QtTestApp.h"

#include "platform/ScopedEnvironment.h"
#include <QAccessible>
#include <QElapsedTimer>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string_view>

namespace {

constexpr int kSearchTicks = 10;

class SearchWindowTest : public QtWidgetTest
{
protected:
    void SetUp() override { ASSERT_TRUE(root.prepared); }

    CVesquorDlg& Open() { return Open(desktop.services); }
    CVesquorDlg& Open(DesktopServices& services)
    {
        window = std::make_unique<CVesquorDlg>(SearchWindowServices{search.service, services, root.Path()});
        window->show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->IsFirstSearchPending(); }, kPatienceMs));
        return *window;
    }

    CStandardListCtrl& List()
    {
        return *qobject_cast<CStandardListCtrl*>(window->FindListCtrl(IDC_DEVICE_LIST));
    }
    bool Enabled(int id) { return window->FindButtonCtrl(id)->isEnabled(); }
    QString WaitText() { return PropertyFrameOf(window->FindShowCtrl(IDC_WAIT_TEXT))->strText; }
    bool WaitShown() { return window->FindShowCtrl(IDC_WAIT_TEXT)->isVisible(); }

    // Rows as "host ip product", top first.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (int row = 0; row < List().GetItemCount(); ++row)
            rows.push_back(QStringList{List().GetItemText(row, 0), List().GetItemText(row, 1),
                                       List().GetItemText(row, 2)}
                               .join(QLatin1Char(' '))
                               .toStdString());
        return rows;
    }

    void Ticks(int count)
    {
        for (int tick = 0; tick < count; ++tick)
            window->OnWaitTimer();
    }

    // A mouse click on a row, or below the last row when row is -1.
    void ClickList(int row, bool twice = false, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* viewport = List().viewport();
        const QPoint at = row >= 0 ? List().visualItemRect(List().topLevelItem(row)).center()
                                   : QPoint(20, viewport->height() - 5);
        if (twice)
            QTest::mouseDClick(viewport, button, {}, at);
        else
            QTest::mouseClick(viewport, button, {}, at);
        QCoreApplication::processEvents();
    }

    FakeSearchService search;
    RecordingDesktop desktop;
    PreparedDataRoot root;
    std::unique_ptr<CVesquorDlg> window;
};

TEST_F(SearchWindowTest, WholeSearchFromStartToTheEndOfTheCountdown)
{
    search.Report("192.0.2.99", "stale"); // the start clears the registry before searching
    CVesquorDlg& dialog = Open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Travelkin"));
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_EQ(search.sends.load(), 2); // one search through each worker
    EXPECT_TRUE(dialog.IsSearching());
    EXPECT_TRUE(WaitShown());
    EXPECT_EQ(WaitText(), QStringLiteral("Searching new devices,please wait 10s..."));
    EXPECT_TRUE(Enabled(IDC_CLOSE));
    EXPECT_FALSE(Enabled(IDC_LOG_IN));
    EXPECT_FALSE(Enabled(IDC_REFRESH));
    EXPECT_FALSE(Enabled(IDC_MY_STORAGE));
    EXPECT_TRUE(Rows().empty());

    search.Report("192.0.2.10", "first", "Cube");
    search.Report("192.0.2.11", "second");
    Ticks(1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"second 192.0.2.11 NAS", "first 192.0.2.10 Cube"}));
    EXPECT_EQ(WaitText(), QStringLiteral("Searching new devices,please wait 9s..."));

    search.Report("192.0.2.12", "third");
    Ticks(8);
    EXPECT_EQ(Rows().front(), "third 192.0.2.12 NAS");
    EXPECT_EQ(WaitText(), QStringLiteral("Searching new devices,please wait 1s..."));
    EXPECT_TRUE(dialog.IsSearching());

    // A device of the tenth second waits for the next Refresh.
    search.Report("192.0.2.13", "late");
    ClickList(0);
    Ticks(1);
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_FALSE(dialog.IsSearching());
    EXPECT_EQ(dialog.nWaitCount, 1);
    EXPECT_FALSE(WaitShown());
    EXPECT_TRUE(Enabled(IDC_REFRESH));
    EXPECT_TRUE(Enabled(IDC_LOG_IN)); // the end of the countdown leaves the chosen device's actions
    EXPECT_TRUE(Enabled(IDC_MY_STORAGE));

    QTest::mouseClick(window->FindButtonCtrl(IDC_REFRESH), Qt::LeftButton);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(search.sends.load(), 4);
    EXPECT_TRUE(search.service.CopyDevices().empty());
    EXPECT_TRUE(dialog.IsSearching());
}

TEST_F(SearchWindowTest, CountdownTicksOnceASecond)
{
    QElapsedTimer clock;
    clock.start();
    CVesquorDlg& dialog = Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.nWaitCount > 1; }, kPatienceMs))
        << "the timer never ticked";
    // A load can only make it later; 900 ms leaves room for a coarse timer's early wake-up.
    EXPECT_GE(clock.elapsed(), 900) << "the first tick came early";
}

// What the user sees through whole search cycles, one that finds devices and one that finds
// none: the status text (when shown) and the buttons that can be pressed, after each step.
TEST_F(SearchWindowTest, ButtonsAndStatusFollowTheSearchCycle)
{
    const auto seen = [this] {
        std::string text = WaitShown() ? WaitText().toStdString() : "-";
        if (window->WhyLink() != nullptr && window->WhyLink()->isVisible())
            text += " " + window->WhyLink()->text().toStdString();
        for (const auto& [id, name] :
             {std::pair{IDC_LOG_IN, " LogIn"}, std::pair{IDC_REFRESH, " Refresh"},
              std::pair{IDC_MY_STORAGE, " MyStorage"}, std::pair{IDC_CLOSE, " Close"}})
            text += Enabled(id) ? name : "";
        return text;
    };
    const auto report = [this] {
        search.Report("192.0.2.10", "a");
        search.Report("192.0.2.11", "b");
    };
    const auto nothing = [] {};
    const auto tick = [this] { Ticks(1); };
    const auto endCountdown = [this] { Ticks(kSearchTicks - 1); };
    const auto clickRow = [this] { ClickList(0); };
    const auto clickBelowRows = [this] { ClickList(-1); };
    const auto refresh = [this] { QTest::mouseClick(window->FindButtonCtrl(IDC_REFRESH), Qt::LeftButton); };
    const std::string searching = "Searching new devices,please wait ";
    struct Step
    {
        std::function<void()> action;
        std::string seen;
    };
    const std::vector<std::vector<Step>> cycles = {
        {
            {report, searching + "10s... Close"},
            {tick, searching + "9s... Close"},
            {clickRow, searching + "9s... LogIn MyStorage Close"},
            {endCountdown, "- LogIn Refresh MyStorage Close"},
            {clickBelowRows, "- Refresh Close"},
            {clickRow, "- LogIn Refresh MyStorage Close"},
            {refresh, searching + "10s... Close"},
        },
        {
            {nothing, searching + "10s... Close"},
            {tick, searching + "9s... Close"},
            {clickBelowRows, searching + "9s... Close"},
            {endCountdown, "No device found. Why? Refresh Close"},
            {clickBelowRows, "No device found. Why? Refresh Close"},
            {refresh, searching + "10s... Close"},
        },
    };
    for (std::size_t cycle = 0; cycle < cycles.size(); ++cycle) {
        Open();
        for (std::size_t step = 0; step < cycles[cycle].size(); ++step) {
            cycles[cycle][step].action();
            EXPECT_EQ(seen(), cycles[cycle][step].seen) << "cycle " << cycle << ", step " << step;
        }
        window.reset();
    }
}

TEST_F(SearchWindowTest, DeviceReportedAgainIsNeverListedTwice)
{
    Open();
    search.Report("192.0.2.10", "a");
    search.Report("192.0.2.11", "b");
    search.Report("192.0.2.12", "c");
    Ticks(1);
    // "a" leaves and comes back after a new device, so it now follows rows that this pass
    // inserts at the top.
    search.Leave("192.0.2.10", "a");
    search.Report("192.0.2.13", "d");
    search.Report("192.0.2.10", "a");
    const std::vector<DeviceRecord> registry = search.service.CopyDevices();
    ASSERT_EQ(registry.size(), 4u);
    ASSERT_STREQ(registry.back().host, "a");
    Ticks(2);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"d 192.0.2.13 NAS", "c 192.0.2.12 NAS", "b 192.0.2.11 NAS",
                                                "a 192.0.2.10 NAS"}));
}

TEST_F(SearchWindowTest, MouseClicksOnTheListDecideTheDeviceActions)
{
    Open();
    search.Report("192.0.2.10", "a");
    search.Report("192.0.2.11", "b");
    Ticks(1);

    ClickList(1);
    EXPECT_TRUE(Enabled(IDC_LOG_IN));
    EXPECT_TRUE(Enabled(IDC_MY_STORAGE));
    EXPECT_FALSE(Enabled(IDC_REFRESH)); // still searching

    // Other buttons may move the selection, but only the left button's clicks count.
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        ClickList(-1, false, button);
        ClickList(-1, true, button);
        EXPECT_TRUE(Enabled(IDC_LOG_IN)) << button;
    }
    EXPECT_TRUE(desktop.urls.Urls().empty());

    ClickList(-1);
    EXPECT_EQ(window->GetSelectedItem(), -1);
    EXPECT_FALSE(Enabled(IDC_LOG_IN));
    EXPECT_FALSE(Enabled(IDC_MY_STORAGE));

    // A double click opens the row's web page, and only on a row.
    ClickList(-1, true);
    EXPECT_TRUE(desktop.urls.Urls().empty());
    ClickList(1, true);
    EXPECT_EQ(desktop.urls.Urls(), (std::vector<std::string>{"http://192.0.2.10"}));
}

TEST_F(SearchWindowTest, KeyboardChoosesADeviceAndPressesTheButtons)
{
    CVesquorDlg& dialog = Open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
    search.Report("192.0.2.10", "a");
    search.Report("192.0.2.11", "b");
    Ticks(kSearchTicks);
    const auto key = [&](Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), code, modifiers);
        QCoreApplication::processEvents();
    };
    const auto tabs = [&] { // the focus chain from the list round to the list
        std::vector<int> chain;
        do {
            key(Qt::Key_Tab);
            chain.push_back(GetDlgCtrlID(*QApplication::focusWidget()));
        } while (QApplication::focusWidget() != &List() && chain.size() < 8);
        return chain;
    };
    ASSERT_EQ(QApplication::focusWidget(), &List());
    EXPECT_EQ(tabs(),
              (std::vector<int>{IDC_REFRESH, IDC_CLOSE, IDC_DEVICE_LIST})); // disabled ones are passed

    // Arrows move the selection and set the buttons as a click does; a list without a
    // selection gets none by Ctrl+Space.
    key(Qt::Key_Down);
    EXPECT_EQ(window->GetSelectedItem(), 0);
    EXPECT_TRUE(Enabled(IDC_LOG_IN));
    EXPECT_TRUE(Enabled(IDC_MY_STORAGE));
    key(Qt::Key_Down);
    EXPECT_EQ(window->GetSelectedItem(), 1);
    key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(window->GetSelectedItem(), -1);
    EXPECT_FALSE(Enabled(IDC_LOG_IN));
    EXPECT_FALSE(Enabled(IDC_MY_STORAGE));
    key(Qt::Key_Return); // no row chosen: nothing opens
    key(Qt::Key_Up);
    EXPECT_EQ(window->GetSelectedItem(), 1); // the first arrow chooses the focused row
    EXPECT_TRUE(Enabled(IDC_LOG_IN));
    EXPECT_EQ(tabs(),
              (std::vector<int>{IDC_LOG_IN, IDC_REFRESH, IDC_MY_STORAGE, IDC_CLOSE, IDC_DEVICE_LIST}));

    // Enter on the chosen row logs in; Space or Enter press the focused button.
    key(Qt::Key_Enter);
    key(Qt::Key_Tab);
    key(Qt::Key_Space);
    EXPECT_EQ(desktop.urls.Urls(), (std::vector<std::string>{"http://192.0.2.10", "http://192.0.2.10"}));
    key(Qt::Key_Tab);
    const int sends = search.sends.load();
    key(Qt::Key_Return);
    EXPECT_EQ(search.sends.load(), sends + 2); // Refresh
    EXPECT_TRUE(dialog.IsSearching());
}

TEST_F(SearchWindowTest, FocusShowsOnTheSkinAndControlsAreNamedForScreenReaders)
{
    CVesquorDlg& dialog = Open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
    search.Report("192.0.2.10", "a");
    Ticks(1);
    ClickList(0);
    // The focused row carries a dotted frame in the list colour over the selection.
    const auto frameInk = [&] {
        const QRect row = List().visualItemRect(List().topLevelItem(0));
        const QImage shot = Grab(*List().viewport());
        int ink = 0;
        for (int y = row.top(); y <= row.bottom(); ++y)
            ink += PixelAt(shot, 0, y) == qRgb(255, 255, 255) ? 1 : 0;
        return ink;
    };
    ASSERT_TRUE(List().hasFocus());
    EXPECT_GT(frameInk(), 3);
    window->FindButtonCtrl(IDC_REFRESH)->setEnabled(true);
    window->FindButtonCtrl(IDC_REFRESH)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(frameInk(), 0);

    const auto name = [](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    EXPECT_EQ(name(&List()), QStringLiteral("Device List"));
    EXPECT_EQ(name(window->FindButtonCtrl(IDC_LOG_IN)), QStringLiteral("Log In"));
    EXPECT_EQ(name(window->FindButtonCtrl(IDC_MY_STORAGE)), QStringLiteral("My Storage"));
    EXPECT_EQ(name(window->FindButtonCtrl(IDC_CLOSE)), QStringLiteral("close button"));
}

// The desktop's mount listing hangs until the test lets it go.
class GatedMountTable : public CMountTable
{
public:
    std::optional<std::vector<std::string>> NetworkConnections() override
    {
        std::unique_lock lock(eventLock);
        ++nListings;
        changed.notify_all();
        bTimedOut =
            !changed.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [this] { return bOpen; }) ||
            bTimedOut;
        return std::vector<std::string>{};
    }
    std::vector<KernelShareMount> KernelShareMounts() override { return {}; }

    int ListingsOnceStarted(int count)
    {
        std::unique_lock lock(eventLock);
        changed.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [&] { return nListings >= count; });
        return nListings;
    }
    void Open()
    {
        const std::lock_guard lock(eventLock);
        bOpen = true;
        changed.notify_all();
    }
    bool TimedOut()
    {
        const std::lock_guard lock(eventLock);
        return bTimedOut;
    }

private:
    std::mutex eventLock;
    std::condition_variable changed;
    int nListings = 0;
    bool bOpen = false;
    bool bTimedOut = false;
};

// The action runs off the window, one request at a time in the order they were made: the
// countdown goes on while another program keeps the first request waiting, the pointer over
// the window is busy meanwhile, further clicks for a device whose request is pending are
// ignored, and a window that closes still carries out what was asked of it.
TEST_F(SearchWindowTest, MyStorageOpensTheShareOfTheSelectedDevice)
{
    GatedMountTable mounts;
    DesktopServices services{desktop.urls, desktop.commands, mounts, desktop.windows};
    Open(services);
    desktop.windows.windows = {{1, "nautilus", "Nautilus", "share on 192.0.2.11"},
                               {2, "nautilus", "Nautilus", "Home"}};
    search.Report("192.0.2.11", "b");
    search.Report("192.0.2.12", "c");
    Ticks(1);
    // Application-wide: over the button just clicked too, not only over the window.
    const auto busy = [] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor && cursor->shape() == Qt::BusyCursor;
    };
    EXPECT_FALSE(busy());
    for (int row : {1, 0}) {
        ClickList(row);
        for (int click = 0; click < (row == 1 ? 3 : 1); ++click)
            QTest::mouseClick(window->FindButtonCtrl(IDC_MY_STORAGE), Qt::LeftButton);
    }
    Ticks(1);
    EXPECT_EQ(WaitText(), QStringLiteral("Searching new devices,please wait 8s..."));
    EXPECT_EQ(mounts.ListingsOnceStarted(1), 1); // the second request waits for the first
    EXPECT_TRUE(busy());
    mounts.Open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !busy(); })) << "the pointer stays busy after both requests ran";
    window.reset(); // its storage worker finishes both requests and joins its thread
    EXPECT_FALSE(mounts.TimedOut());
    EXPECT_EQ(mounts.ListingsOnceStarted(2), 2);
    EXPECT_EQ(desktop.windows.closeRequests, (std::vector<std::uint64_t>{1}));
    std::vector<std::string> urls = desktop.urls.Urls();
    EXPECT_EQ(urls, (std::vector<std::string>{"smb://192.0.2.11/", "smb://192.0.2.12/"}));
}

TEST_F(SearchWindowTest, AnotherStartBringsTheWindowForwardWithoutChangingIt)
{
    CVesquorDlg& dialog = Open();
    search.Report("192.0.2.10", "a");
    Ticks(1);
    ClickList(0);
    QWidget other;
    const auto activate = [](QWidget& target) {
        target.activateWindow();
        return QTest::qWaitForWindowActive(&target, kPatienceMs);
    };
    other.show();
    ASSERT_TRUE(activate(other));
    dialog.OnActivateInstance();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog, kPatienceMs)) << "the window comes forward";
    EXPECT_TRUE(dialog.IsSearching());
    EXPECT_TRUE(Enabled(IDC_LOG_IN));
    EXPECT_FALSE(Enabled(IDC_REFRESH));

    ASSERT_TRUE(activate(other));
    dialog.showMinimized();
    QSignalSpy activations(qApp, &QGuiApplication::focusWindowChanged);
    dialog.OnActivateInstance();
    // Activations take their turn in one queue: once a later one has landed, one the
    // minimised window asked for would have landed before it.
    QWidget later;
    later.show();
    ASSERT_TRUE(activate(later));
    EXPECT_TRUE(dialog.isMinimized());
    for (const QList<QVariant>& activation : activations)
        EXPECT_NE(activation.at(0).value<QWindow*>(), dialog.windowHandle())
            << "a minimised window stays where it is";
}

TEST_F(SearchWindowTest, CloseButtonAndEscapeEndTheModalRun)
{
    for (const bool escape : {false, true}) {
        CVesquorDlg& dialog = Open();
        QTimer::singleShot(0, &dialog, [&] {
            if (escape)
                QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape); // the list has the focus
            else
                QTest::mouseClick(dialog.FindButtonCtrl(IDC_CLOSE), Qt::LeftButton);
        });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(SearchWindowTest, ColumnHeadingsComeFromTheLayoutOfTheLanguage)
{
    struct Case
    {
        int languageIndex;
        QStringList headings;
        QString waitText;
    };
    const Case cases[] = {
        {1, {"Host Name", "IP Address", "Devcie Type"}, "Searching new devices,please wait 10s..."},
        {4, {"ホスト名", "IPアドレス", "デバイスタイプ"}, "を検索しています 10s..."},
    };
    for (const Case& language : cases) {
        PreparedDataRoot languageRoot(language.languageIndex);
        CVesquorDlg dialog({search.service, desktop.services, languageRoot.Path()});
        dialog.InitDialog();
        auto* list = qobject_cast<CStandardListCtrl*>(dialog.FindListCtrl(IDC_DEVICE_LIST));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->columnCount(), 3);
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(list->headerItem()->text(column), language.headings[column]);
        EXPECT_EQ(list->columnWidth(0), 96);
        EXPECT_EQ(list->columnWidth(1), 122);
        EXPECT_EQ(list->columnWidth(2), 93);
        EXPECT_EQ(list->GetExtendedStyle() & 0x23u, 0x23u);
        EXPECT_EQ(PropertyFrameOf(dialog.FindShowCtrl(IDC_WAIT_TEXT))->strText, language.waitText);
    }
}

// The window cannot show what it finds: the search service starts all the same (its workers,
// its log), but no search goes out, neither the first nor one asked for later.
TEST_F(SearchWindowTest, LayoutWithoutAWorkingControlStartsTheServiceButSendsNoSearch)
{
    QFile layout(root.LayoutFile());
    ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(layout.readAll());
    layout.close();
    text.replace(QStringLiteral("CtrlID=\"2109\""), QStringLiteral("CtrlID=\"2119\""));
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly | QIODevice::Truncate));
    layout.write(text.toUtf8());
    layout.close();

    FakeSearchService unstarted(false);
    window =
        std::make_unique<CVesquorDlg>(SearchWindowServices{unstarted.service, desktop.services, root.Path()});
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsFirstSearchPending(); }));
    CVesquorDlg& dialog = *window;
    EXPECT_FALSE(dialog.IsLayoutReady());
    EXPECT_FALSE(unstarted.service.CopyWorkers().empty()) << "the search service was never started";
    EXPECT_EQ(unstarted.sends.load(), 0);
    EXPECT_FALSE(dialog.IsSearching());
    unstarted.Report("192.0.2.10", "a");
    dialog.OnRefresh();
    dialog.UpdateDeviceList();
    EXPECT_EQ(unstarted.sends.load(), 0) << "Refresh searched";
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(List().columnCount(), 0);
    window.reset(); // before the service it searches with
}

// An empty list says so in the window's language and offers "Why?": a dialog beside the
// window with the causes the workers tell of (these fake workers send nothing), which Esc
// closes; the next search takes the offer back.
TEST_F(SearchWindowTest, EmptyListSaysSoAndWhyInTheLanguage)
{
    struct Case
    {
        int languageIndex;
        QString nothing, why, cause;
    };
    const Case cases[] = {
        {1, "No device found.", "Why?", "No search could be sent"},
        {5, "Kein Gerät gefunden.", "Warum?", "Es konnte keine Suche gesendet werden"},
        {4, "デバイスが見つかりません。", "理由", "検索を送信できませんでした"},
    };
    for (const Case& language : cases) {
        PreparedDataRoot languageRoot(language.languageIndex);
        window = std::make_unique<CVesquorDlg>(SearchWindowServices{
            search.service, desktop.services, languageRoot.Path(), language.languageIndex});
        window->show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsFirstSearchPending(); }, kPatienceMs));
        EXPECT_TRUE(window->WhyLink() == nullptr || !window->WhyLink()->isVisible());
        Ticks(kSearchTicks);
        EXPECT_TRUE(WaitShown());
        EXPECT_EQ(WaitText(), language.nothing);
        ASSERT_NE(window->WhyLink(), nullptr);
        ASSERT_TRUE(window->WhyLink()->isVisible());
        EXPECT_EQ(window->WhyLink()->text(), language.why);
        // The keyboard reaches it from the list.
        List().setFocus();
        QTest::keyClick(&List(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), window->WhyLink());
        QTest::keyClick(window->WhyLink(), Qt::Key_Return);
        CNothingFoundDlg* why = window->WhyDialog();
        ASSERT_NE(why, nullptr);
        EXPECT_TRUE(why->isVisible());
        EXPECT_FALSE(why->isModal());
        EXPECT_TRUE(why->FindingsShown().startsWith(language.cause)) << why->FindingsShown().toStdString();
        QTest::keyClick(why, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->WhyDialog() == nullptr; }, kPatienceMs));
        window->OnRefresh();
        EXPECT_FALSE(window->WhyLink()->isVisible());
        window.reset();
    }
}

// The firewall advice follows the desktop: the commands on Linux, the firewall's own settings
// on Windows.
TEST(NothingFoundTextTest, FirewallAdviceFitsTheSystem)
{
    QtAppEnvironment::App();
    const CWindowTexts texts(150);
    const std::vector<SearchFinding> heardNothing{{SearchFinding::Cause::NothingHeard, 0, {}, 0}};
    const QString linux = FindingsText(heardNothing, texts, false);
    EXPECT_TRUE(
        linux.contains("sudo nft add rule inet filter input udp dport '{ 67, 1900, 1530-1999 }' accept"));
    EXPECT_TRUE(linux.contains("sudo ufw allow") && linux.contains("sudo firewall-cmd"));
    const QString windows = FindingsText(heardNothing, texts, true);
    EXPECT_TRUE(windows.contains("Windows Security")) << windows.toStdString();
    const QString rules = QString::fromStdString(WindowsFirewallCommands(
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString()));
    EXPECT_TRUE(windows.contains("administrator:\n" + rules.trimmed() + "\n")) << windows.toStdString();
    EXPECT_FALSE(windows.contains("sudo"));
    SearchFinding portTaken{SearchFinding::Cause::PortTaken, 67, "in use", 0};
    EXPECT_TRUE(FindingsText({portTaken}, texts, false).startsWith("Port 67 is taken (in use)"));
    EXPECT_FALSE(FindingsText({portTaken}, texts, false).contains("held"));
    portTaken.holder = "dnsmasq (process 7)";
    const QString taken = FindingsText({portTaken}, texts, false);
    EXPECT_TRUE(taken.endsWith(". It is held by dnsmasq (process 7).")) << taken.toStdString();
    portTaken.freeNow = true; // let go since the search
    const QString freed = FindingsText({portTaken}, texts, false);
    EXPECT_TRUE(freed.startsWith("Port 67 was taken at the last search (in use)")) << freed.toStdString();
    EXPECT_TRUE(freed.contains("Nothing holds it now") && !freed.contains("held by")) << freed.toStdString();
}

// The menu of a row and of the empty space, by mouse and by keyboard; the keys that copy the
// address and refresh; a row's details.
TEST_F(SearchWindowTest, RowMenuCopyRefreshAndDetails)
{
    CVesquorDlg& dialog = Open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
    search.Report("192.0.2.10", "a", "Cube");
    search.Report("192.0.2.11", "b");
    Ticks(1);
    // The menu's entries as "text" or "(text)" when disabled; the menu is closed again.
    const auto menuOf = [&](const std::function<void()>& open) {
        QStringList entries;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    entries << (action->isEnabled() ? action->text() : "(" + action->text() + ")");
            menu->close();
        });
        open();
        return entries;
    };
    const QStringList rowMenu{"Log In", "My Storage", "Copy address", "Copy details",
                              "Add a device by address…"};
    const auto rightClick = [&](int row) {
        QWidget* viewport = List().viewport();
        const QPoint at = row >= 0 ? List().visualItemRect(List().topLevelItem(row)).center()
                                   : QPoint(20, viewport->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
    };
    EXPECT_EQ(menuOf([&] { rightClick(1); }), rowMenu);
    EXPECT_EQ(window->GetSelectedItem(), 1) << "the right click chooses its row";
    EXPECT_EQ(menuOf([&] { QTest::keyClick(&List(), Qt::Key_F10, Qt::ShiftModifier); }), rowMenu);
    // The Menu key reaches the list as the context menu event the system makes from it.
    EXPECT_EQ(menuOf([&] {
                  QContextMenuEvent event(QContextMenuEvent::Keyboard, {}, List().mapToGlobal(QPoint()));
                  QApplication::sendEvent(&List(), &event);
              }),
              rowMenu);
    EXPECT_EQ(menuOf([&] { rightClick(-1); }), (QStringList{"(Refresh)", "Add a device by address…"}));
    EXPECT_FALSE(Enabled(IDC_LOG_IN));

    ClickList(0); // the newest row is on top
    QTest::keyClick(&List(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("192.0.2.11"));
    const QString details = window->DetailsOf(0);
    EXPECT_EQ(details.section('\n', 0, 2), QStringLiteral("Host name: b\nAddress: 192.0.2.11\nProduct: NAS"));
    EXPECT_TRUE(details.contains("\nVendor: ZANDOVERT\nID: b\n")) << details.toStdString();
    EXPECT_TRUE(details.contains(QRegularExpression("\nLast heard: \\d+ s ago$"))) << details.toStdString();
    window->OnCopyDetails();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), details);

    const int sends = search.sends.load();
    QTest::keyClick(&List(), Qt::Key_F5);
    EXPECT_EQ(search.sends.load(), sends) << "F5 refreshed while Refresh is disabled";
    Ticks(kSearchTicks);
    QTest::keyClick(&List(), Qt::Key_F5);
    EXPECT_GT(search.sends.load(), sends);
    EXPECT_TRUE(window->IsSearching());
}

// A device behind a router is added by address: a bad one is refused with the reason and
// changes nothing; a good one is added after the file's own lines, searched at once and
// shown as found by its direct address; an address removed leaves the other lines; a file
// the user made read-only is left as it is, and the dialog says why.
TEST_F(SearchWindowTest, AddADeviceByAddressKeepsTheHostsFile)
{
    const QString hostsPath = root.dir.path() + QStringLiteral("/ZandovertSearchTools/hosts.txt");
    const auto hostsText = [&] {
        QFile file(hostsPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    {
        QFile file(hostsPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# behind the router\n198.18.2.10  # far\nnot an address");
    }
    CVesquorDlg& dialog = Open();
    Ticks(kSearchTicks);
    dialog.OnAddHost();
    CAddHostDlg* add = dialog.AddHostDialog();
    ASSERT_NE(add, nullptr);
    const auto settled = [&] { return QTest::qWaitFor([&] { return !add->IsBusy(); }, kPatienceMs); };
    ASSERT_TRUE(settled());
    EXPECT_EQ(add->Listed(), QStringList{"198.18.2.10"});
    for (const char* refused : {"224.0.0.1", "192.0.2.300", "255.255.255.255"}) {
        add->Entry().setText(refused);
        add->AddTyped();
        EXPECT_TRUE(add->Problem().startsWith("Not added: ")) << refused;
    }
    const int sends = search.sends.load();
    add->Entry().setText(" 192.0.2.20 ");
    add->AddTyped();
    ASSERT_TRUE(settled());
    EXPECT_EQ(hostsText(), "# behind the router\n198.18.2.10  # far\nnot an address\n192.0.2.20\n");
    EXPECT_EQ(add->Listed(), (QStringList{"198.18.2.10", "192.0.2.20"}));
    EXPECT_GT(search.sends.load(), sends) << "the new address was not searched";
    add->Entry().setText("192.0.2.20");
    add->AddTyped();
    ASSERT_TRUE(settled());
    EXPECT_EQ(hostsText(), "# behind the router\n198.18.2.10  # far\nnot an address\n192.0.2.20\n");

    search.Report("192.0.2.20", "far");
    window->UpdateDeviceList();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->DetailsOf(0).contains("\nFound by: direct address\n"); },
                                kPatienceMs))
        << window->DetailsOf(0).toStdString();
    add->RemoveSelected(); // the first listed
    ASSERT_TRUE(settled());
    EXPECT_EQ(hostsText(), "# behind the router\nnot an address\n192.0.2.20\n");

    ASSERT_TRUE(QFile::setPermissions(hostsPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    add->Entry().setText("192.0.2.21");
    add->AddTyped();
    ASSERT_TRUE(settled());
    EXPECT_EQ(add->Problem(),
              "Not added: " + QDir::toNativeSeparators(hostsPath) + " is read-only, so it is left as it is.");
    EXPECT_EQ(hostsText(), "# behind the router\nnot an address\n192.0.2.20\n");
}

// A home folder on a share that hangs: the dialog opens and the window goes on answering while
// the dialog's read of hosts.txt waits; the list shows when the read returns.
TEST_F(SearchWindowTest, AddADeviceByAddressNeverWaitsForTheFile)
{
    {
        QFile file(root.dir.path() + QStringLiteral("/ZandovertSearchTools/hosts.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("198.18.2.10\n");
    }
    CVesquorDlg& dialog = Open();
    Ticks(kSearchTicks);
    const ScopedEnvironment hung{{"TRAVELKIN_HOSTS_FILE_DELAY_MS", "3000"}};
    dialog.OnAddHost();
    CAddHostDlg* add = dialog.AddHostDialog();
    ASSERT_NE(add, nullptr);
    EXPECT_TRUE(add->IsBusy());
    EXPECT_TRUE(add->Listed().isEmpty()) << "the dialog waited for its read";
    const int sends = search.sends.load();
    QTest::keyClick(&List(), Qt::Key_F5);
    EXPECT_GT(search.sends.load(), sends) << "the window did not answer F5";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !add->IsBusy(); }, kPatienceMs));
    EXPECT_EQ(add->Listed(), QStringList{"198.18.2.10"});
}

namespace {

// A resolver that hears and never answers, until the test lets it go (or a long while has
// passed, so a dialog that waits for it shows as having waited rather than hanging the test).
struct HungResolver
{
    std::mutex lock;
    std::condition_variable changed;
    bool started = false; // guarded by lock, as are the two below
    bool letGo = false;
    bool returned = false;

    std::optional<boost::asio::ip::address_v4> Resolve()
    {
        std::unique_lock hold(lock);
        started = true;
        changed.notify_all();
        changed.wait_for(hold, std::chrono::seconds(20), [this] { return letGo; });
        returned = true;
        return boost::asio::ip::make_address_v4("192.0.2.20");
    }
    void WaitStarted()
    {
        std::unique_lock hold(lock);
        changed.wait(hold, [this] { return started; });
    }
    bool Returned()
    {
        std::lock_guard hold(lock);
        return returned;
    }
    void LetGo()
    {
        std::lock_guard hold(lock);
        letGo = true;
        changed.notify_all();
    }
};

} // namespace

// Closing the dialog, or the window with it, during a name's look-up returns at once; the
// look-up that ends afterwards changes nothing and reaches nothing that has gone.
TEST_F(SearchWindowTest, ALookUpThatHangsHoldsNothingUp)
{
    const QString hostsPath = root.dir.path() + QStringLiteral("/ZandovertSearchTools/hosts.txt");
    const CWindowTexts texts(150);
    for (const bool windowCloses : {false, true}) {
        SCOPED_TRACE(windowCloses ? "the window closes" : "the dialog closes");
        auto resolver = std::make_shared<HungResolver>();
        auto worker = std::make_unique<CAddHostWorker>();
        auto* add =
            new CAddHostDlg(nullptr, texts, root.Path(), *worker,
                            [resolver](const std::string&, std::string&) { return resolver->Resolve(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !add->IsBusy(); }, kPatienceMs));
        add->Entry().setText("far.example");
        add->AddTyped();
        resolver->WaitStarted();
        delete add;
        if (windowCloses)
            worker.reset();
        EXPECT_FALSE(resolver->Returned()) << "the end waited for the look-up";
        resolver->LetGo();
        // The look-up's thread lets go of the resolver as it ends.
        EXPECT_TRUE(QTest::qWaitFor([&] { return resolver.use_count() == 1; }, kPatienceMs));
        EXPECT_FALSE(QFile::exists(hostsPath)) << "the look-up of a closed dialog was written";
    }
}

// A dark desktop theme: every role of every group a dark colour of its own.
QPalette DarkPalette()
{
    QPalette dark;
    for (int group = 0; group < QPalette::NColorGroups; ++group)
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            dark.setColor(static_cast<QPalette::ColorGroup>(group), static_cast<QPalette::ColorRole>(role),
                          QColor(0x20 + role, 0x20, 0x28 + 8 * group));
    return dark;
}

TEST_F(SearchWindowTest, DesktopPaletteNeverColoursTheWindow)
{
    const QPalette original = QApplication::palette();
    CVesquorDlg& dialog = Open();
    for (int device = 0; device < 12; ++device) // more rows than fit: the scroll bar shows
        search.Report(QByteArray("192.0.2.").append(QByteArray::number(10 + device)).constData(), "disk");
    Ticks(1);
    ClickList(1);
    List().setFocus();
    const QImage light = Grab(dialog);

    QApplication::setPalette(DarkPalette());
    QCoreApplication::processEvents();
    const QImage dark = Grab(dialog);
    QApplication::setPalette(original);
    EXPECT_TRUE(light == dark) << "the window changes with the desktop's palette";

    // The rows lie on the list's own colour from the layout (white), not on the theme's base.
    const QPoint row = List().visualItemRect(List().topLevelItem(0)).center();
    const QPoint inWindow = List().viewport()->mapTo(&dialog, QPoint(row.x() + 40, row.y()));
    EXPECT_EQ(PixelAt(dark, inWindow.x(), inWindow.y()), qRgb(255, 255, 255));
}

TEST(DeviceTextTest, NarrowTextsBecomeReadableWithoutFailing)
{
    const struct
    {
        std::string_view bytes;
        const char16_t* shown;
    } texts[] = {
        {"disk", u"disk"},
        {"caf\xc3\xa9", u"café"},
        {"caf\xe9", u"café"},          // not UTF-8: one byte a character
        {"\xe3\x81", u"\u00e3\ufffd"}, // cut-off sequence; 0x81 is a control
        {"a\tb\r\n\x1b[2J\x7f", u"a\ufffdb\ufffd\ufffd\ufffd[2J\ufffd"},
        {"photo\xe2\x80\xaegpj.exe", u"photo\ufffdgpj.exe"}, // U+202E turns the rest around
        {"\xe2\x80\xaa\xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa9", u"\ufffd\ufffd\ufffd\ufffd"},
        // Invisible format characters: a right-to-left mark, a zero-width space, a byte order
        // mark, a line separator and a tag; the spaces and letters beside them stay.
        {"a\xe2\x80\x8f\xe2\x80\x8b\xef\xbb\xbf\xe2\x80\xa8\xf3\xa0\x81\x81"
         "b",
         u"a\ufffd\ufffd\ufffd\ufffd\ufffdb"},
        {"\xe2\x80\x8a\xe2\x81\xb0", u"\u200a\u2070"},
        {"caf\xe9\x85", u"caf\u00e9\ufffd"},
    };
    for (const auto& [bytes, shown] : texts)
        EXPECT_EQ(DeviceText(bytes.data(), bytes.size()), QString::fromUtf16(shown)) << bytes;
}

// The list and its dump show a disguised name disarmed; the registry keeps what came.
TEST_F(SearchWindowTest, DeviceTextsFromTheNetworkAreShownDisarmed)
{
    QTemporaryDir dumpDir;
    const QString dumpPath = dumpDir.filePath(QStringLiteral("list.txt"));
    const ScopedEnvironment env{{"TRAVELKIN_LIST_DUMP", QFile::encodeName(dumpPath).constData()}};
    Open();
    search.Report("192.0.2.10", "photo\xe2\x80\xaegpj.exe", "NAS\tx");
    Ticks(1);
    const QString host = QStringLiteral("photo\ufffdgpj.exe");
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{(host + QStringLiteral(" 192.0.2.10 NAS\ufffdx")).toStdString()}));
    QFile dump(dumpPath);
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(dump.readAll()), host + QStringLiteral("\t192.0.2.10\tNAS\ufffdx\n"));
    EXPECT_STREQ(search.service.CopyDevices().front().host, "photo\xe2\x80\xaegpj.exe");
}

// A device's texts are never taken for markup: wherever the window shows them (the row, its
// tooltip, its details, what a screen reader reads), they read as they came.
TEST_F(SearchWindowTest, DeviceTextsThatLookLikeMarkupShowAsText)
{
    // What a person sees of a text given to a widget that guesses whether it is markup.
    const auto seen = [](const QString& text) {
        if (!Qt::mightBeRichText(text))
            return text;
        QTextDocument document;
        document.setHtml(text);
        return document.toPlainText();
    };
    const char* hosts[] = {"<img src=/travelkin-none.png>", "<font color=red>red</font>", "<b>a</b> &amp; b"};
    Open();
    for (std::size_t i = 0; i < std::size(hosts); ++i)
        search.Report(("192.0.2." + std::to_string(10 + i)).c_str(), hosts[i]);
    Ticks(1);
    ASSERT_EQ(List().GetItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        const QString host = List().GetItemText(row, 0);
        ASSERT_TRUE(host.startsWith('<')) << host.toStdString();
        const QRect rect = List().visualItemRect(List().topLevelItem(row));
        QHelpEvent rest(QEvent::ToolTip, rect.center(), List().viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(List().viewport(), &rest);
        ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, kPatienceMs)) << row;
        EXPECT_TRUE(seen(QToolTip::text()).startsWith("Host name: " + host + "\n"))
            << QToolTip::text().toStdString();
        EXPECT_TRUE(window->DetailsOf(row).startsWith("Host name: " + host + "\n"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&List());
        bool named = false;
        for (int child = 0; list && child < list->childCount(); ++child)
            named = named || list->child(child)->text(QAccessible::Name) == host;
        EXPECT_TRUE(named) << host.toStdString();
        QToolTip::hideText();
    }
}

// The title (2102) and the list's label (2104) show the window's own background at their
// place in every shipped layout, whichever of window and label paints first.
TEST(LabelBackgroundTest, LabelsShowTheWindowBackgroundUnderThemInEveryLayout)
{
    enum class Order
    {
        WindowFirst,
        LabelFirst,
        LabelMovedSinceWindowPaint
    };
    QtAppEnvironment::App();
    for (const int language : {1, 2, 3, 4, 5, 6, 9, 10, 11}) {
        for (const Order order : {Order::WindowFirst, Order::LabelFirst, Order::LabelMovedSinceWindowPaint}) {
            FakeSearchService search;
            RecordingDesktop desktop;
            PreparedDataRoot root(language);
            ASSERT_TRUE(root.prepared);
            CVesquorDlg window(SearchWindowServices{search.service, desktop.services, root.Path()});
            window.show();
            for (const int id : {2102, 2104}) {
                SCOPED_TRACE(testing::Message() << "language " << language << ", order "
                                                << static_cast<int>(order) << ", control " << id);
                QWidget* label = window.FindShowCtrl(id);
                ASSERT_NE(label, nullptr);
                CBasicPropertyFrame* frame = PropertyFrameOf(label);
                frame->strText.clear(); // only the background is left to compare
                window.grab();
                if (order == Order::LabelFirst)
                    frame->dcBackground = QImage();
                if (order == Order::LabelMovedSinceWindowPaint)
                    label->move(label->pos() + QPoint(7, 3));
                const QImage shown = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
                const QImage under =
                    window.pImage.copy(label->geometry()).convertToFormat(QImage::Format_RGB32);
                EXPECT_EQ(shown, under);
            }
        }
    }
}

} // namespace
