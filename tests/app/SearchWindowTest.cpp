#include "app/VesquorDlg.h"

#include "app/NetStorageHelper.h"
#include "controls/BasicButton.h"
#include "controls/ControlClassRegistry.h"
#include "controls/StandardListCtrl.h"

#include "app/SearchWindowSupport.h"
#include "controls/QtTestApp.h"

#include "platform/ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <condition_variable>
#include <mutex>

namespace {

class SearchWindowTest : public QtWidgetTest
{
protected:
    void SetUp() override { ASSERT_TRUE(root.prepared); }

    CVesquorDlg& Open() { return Open(desktop.services); }
    CVesquorDlg& Open(DesktopServices& services)
    {
        window = std::make_unique<CVesquorDlg>(SearchWindowServices{search.service, services, root.Path()});
        window->show();
        return *window;
    }

    CStandardListCtrl& List() { return *qobject_cast<CStandardListCtrl*>(window->FindListCtrl(IDC_DEVICE_LIST)); }
    bool Enabled(int id) { return window->FindButtonCtrl(id)->isEnabled(); }
    QString WaitText() { return PropertyFrameOf(window->FindShowCtrl(IDC_WAIT_TEXT))->strText; }
    bool WaitShown() { return window->FindShowCtrl(IDC_WAIT_TEXT)->isVisible(); }

    // Rows as "host ip product", top first.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (int row = 0; row < List().GetItemCount(); ++row)
            rows.push_back(QStringList{List().GetItemText(row, 0), List().GetItemText(row, 1), List().GetItemText(row, 2)}
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
    void ClickList(int row, bool twice = false)
    {
        QWidget* viewport = List().viewport();
        const QPoint at = row >= 0 ? List().visualItemRect(List().topLevelItem(row)).center()
                                   : QPoint(20, viewport->height() - 5);
        if (twice)
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }

    FakeSearchService search;
    RecordingDesktop desktop;
    PreparedDataRoot root;
    std::unique_ptr<CVesquorDlg> window;
};

TEST_F(SearchWindowTest, WholeSearchFromStartToTheEndOfTheCountdown)
{
    search.Report("192.0.2.99", "stale");  // the start clears the registry before searching
    CVesquorDlg& dialog = Open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Travelkin"));
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_EQ(search.sends.load(), 2);  // one search through each worker
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
    Ticks(1);
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_FALSE(dialog.IsSearching());
    EXPECT_EQ(dialog.nWaitCount, 1);
    EXPECT_FALSE(WaitShown());
    EXPECT_TRUE(Enabled(IDC_REFRESH));
    EXPECT_FALSE(Enabled(IDC_LOG_IN));  // the end of the countdown leaves these alone
    EXPECT_FALSE(Enabled(IDC_MY_STORAGE));

    QTest::mouseClick(window->FindButtonCtrl(IDC_REFRESH), Qt::LeftButton);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(search.sends.load(), 4);
    EXPECT_TRUE(search.service.CopyDevices().empty());
    EXPECT_TRUE(dialog.IsSearching());
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
    EXPECT_FALSE(Enabled(IDC_REFRESH));  // still searching

    // A selection moved by the keyboard changes nothing.
    List().setFocus();
    QTest::keyClick(List().viewport(), Qt::Key_Up);
    QTest::keyClick(&List(), Qt::Key_Space, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Enabled(IDC_LOG_IN));

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

// The desktop's mount listing hangs until the test lets it go.
class GatedMountTable : public CMountTable
{
public:
    std::optional<std::vector<std::string>> NetworkConnections() override
    {
        std::unique_lock lock(m_lock);
        ++nListings;
        m_changed.notify_all();
        bTimedOut = !m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return bOpen; }) || bTimedOut;
        return std::vector<std::string>{};
    }
    std::vector<KernelShareMount> KernelShareMounts() override { return {}; }

    int ListingsOnceStarted(int count)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return nListings >= count; });
        return nListings;
    }
    void Open()
    {
        const std::lock_guard lock(m_lock);
        bOpen = true;
        m_changed.notify_all();
    }
    bool TimedOut()
    {
        const std::lock_guard lock(m_lock);
        return bTimedOut;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int nListings = 0;
    bool bOpen = false;
    bool bTimedOut = false;
};

// The action runs off the window, one request at a time in the order they were made: the
// countdown goes on while another program keeps the first request waiting, and a window that
// closes still carries out what was asked of it.
TEST_F(SearchWindowTest, MyStorageOpensTheShareOfTheSelectedDevice)
{
    GatedMountTable mounts;
    DesktopServices services{desktop.urls, desktop.commands, mounts, desktop.windows};
    Open(services);
    desktop.windows.windows = {{1, "nautilus", "Nautilus", "share on 192.0.2.11"}, {2, "nautilus", "Nautilus", "Home"}};
    search.Report("192.0.2.11", "b");
    search.Report("192.0.2.12", "c");
    Ticks(1);
    for (int row : {1, 0}) {
        ClickList(row);
        QTest::mouseClick(window->FindButtonCtrl(IDC_MY_STORAGE), Qt::LeftButton);
    }
    Ticks(1);
    EXPECT_EQ(WaitText(), QStringLiteral("Searching new devices,please wait 8s..."));
    EXPECT_EQ(mounts.ListingsOnceStarted(1), 1);  // the second request waits for the first
    mounts.Open();
    window.reset();
    CNetStorageHelper::Instance().WaitForOpeners();
    EXPECT_FALSE(mounts.TimedOut());
    EXPECT_EQ(mounts.ListingsOnceStarted(2), 2);
    EXPECT_EQ(desktop.windows.closeRequests, (std::vector<std::uint64_t>{1}));
    std::vector<std::string> urls = desktop.urls.Urls();
    std::ranges::sort(urls);  // each folder opens on a thread of its own
    EXPECT_EQ(urls, (std::vector<std::string>{"smb://192.0.2.11/", "smb://192.0.2.12/"}));
}

TEST_F(SearchWindowTest, AnotherStartBringsTheWindowForwardWithoutChangingIt)
{
    CVesquorDlg& dialog = Open();
    search.Report("192.0.2.10", "a");
    Ticks(1);
    ClickList(0);
    dialog.OnActivateInstance();
    EXPECT_TRUE(dialog.IsSearching());
    EXPECT_TRUE(Enabled(IDC_LOG_IN));
    EXPECT_FALSE(Enabled(IDC_REFRESH));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);

    dialog.showMinimized();
    dialog.OnActivateInstance();
    EXPECT_TRUE(dialog.isMinimized());
}

TEST_F(SearchWindowTest, CloseButtonAndEscapeEndTheModalRun)
{
    for (const bool escape : {false, true}) {
        CVesquorDlg& dialog = Open();
        QTimer::singleShot(0, &dialog, [&] {
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
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

TEST_F(SearchWindowTest, LayoutWithoutAWorkingControlLeavesTheWindowInert)
{
    QFile layout(root.LayoutFile());
    ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(layout.readAll());
    layout.close();
    text.replace(QStringLiteral("CtrlID=\"2109\""), QStringLiteral("CtrlID=\"2119\""));
    ASSERT_TRUE(layout.open(QIODevice::WriteOnly | QIODevice::Truncate));
    layout.write(text.toUtf8());
    layout.close();

    CVesquorDlg& dialog = Open();
    EXPECT_FALSE(dialog.IsLayoutReady());
    EXPECT_EQ(search.sends.load(), 0);
    EXPECT_FALSE(dialog.IsSearching());
    search.Report("192.0.2.10", "a");
    dialog.OnRefresh();
    dialog.UpdateDeviceList();
    EXPECT_EQ(search.sends.load(), 0);
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(List().columnCount(), 0);
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
        {"caf\xe9", u"café"},                            // not UTF-8: one byte a character
        {"\xe3\x81", u"\u00e3\ufffd"},                     // cut-off sequence; 0x81 is a control
        {"a\tb\r\n\x1b[2J\x7f", u"a\ufffdb\ufffd\ufffd\ufffd[2J\ufffd"},
        {"photo\xe2\x80\xaegpj.exe", u"photo\ufffdgpj.exe"},  // U+202E turns the rest around
        {"\xe2\x80\xaa\xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa9", u"\ufffd\ufffd\ufffd\ufffd"},
        {"\xe2\x80\x8f\xe2\x81\xaa", u"\u200f\u206a"},    // neighbours of the ranges stay
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
    EXPECT_EQ(Rows(), (std::vector<std::string>{(host + QStringLiteral(" 192.0.2.10 NAS\ufffdx")).toStdString()}));
    QFile dump(dumpPath);
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(dump.readAll()), host + QStringLiteral("\t192.0.2.10\tNAS\ufffdx\n"));
    EXPECT_STREQ(search.service.CopyDevices().front().host, "photo\xe2\x80\xaegpj.exe");
}

} // namespace
