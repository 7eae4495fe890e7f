#include "app/VesquorDlg.h"

#include "app/NetStorageHelper.h"
#include "controls/BasicButton.h"
#include "controls/ControlClassRegistry.h"
#include "controls/StandardListCtrl.h"

#include "app/SearchWindowSupport.h"
#include "controls/QtTestApp.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class SearchWindowTest : public QtWidgetTest
{
protected:
    void SetUp() override { ASSERT_TRUE(root.prepared); }

    CVesquorDlg& Open()
    {
        window = std::make_unique<CVesquorDlg>(SearchWindowServices{search.service, desktop.services, root.Path()});
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
    ClickList(0);
    Ticks(1);
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_FALSE(dialog.IsSearching());
    EXPECT_EQ(dialog.nWaitCount, 1);
    EXPECT_FALSE(WaitShown());
    EXPECT_TRUE(Enabled(IDC_REFRESH));
    EXPECT_TRUE(Enabled(IDC_LOG_IN));  // the end of the countdown leaves the chosen device's actions
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.nWaitCount > 1; }, 10000)) << "the timer never ticked";
    EXPECT_GE(clock.elapsed(), 900) << "the first tick came early";
}

// What a state leaves, in the order wait text shown, Close, Log In, Refresh, My Storage
// enabled, from everything off and from everything on; a state touches only its own controls.
TEST_F(SearchWindowTest, EachStateSetsItsControlsAndLeavesTheOthers)
{
    struct Case
    {
        int state;
        const char* fromOff;
        const char* fromOn;
    };
    const Case cases[] = {
        {0, "01010", "01010"}, {1, "10000", "11000"}, {2, "00010", "01111"},
        {3, "00101", "11111"}, {4, "00000", "11010"}, {5, "00000", "11111"},
    };
    CVesquorDlg& dialog = Open();
    const int buttons[] = {IDC_CLOSE, IDC_LOG_IN, IDC_REFRESH, IDC_MY_STORAGE};
    const auto setAll = [&](bool on) {
        window->FindShowCtrl(IDC_WAIT_TEXT)->setVisible(on);
        for (const int id : buttons)
            window->FindButtonCtrl(id)->setEnabled(on);
    };
    const auto read = [&] {
        std::string states(1, WaitShown() ? '1' : '0');
        for (const int id : buttons)
            states += Enabled(id) ? '1' : '0';
        return states;
    };
    for (const Case& row : cases) {
        for (const bool on : {false, true}) {
            setAll(on);
            dialog.SetCtrlStatus(row.state);
            EXPECT_EQ(read(), on ? row.fromOn : row.fromOff) << "state " << row.state;
        }
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
    EXPECT_FALSE(Enabled(IDC_REFRESH));  // still searching

    // A selection moved by the keyboard changes nothing.
    List().setFocus();
    QTest::keyClick(List().viewport(), Qt::Key_Up);
    QTest::keyClick(&List(), Qt::Key_Space, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Enabled(IDC_LOG_IN));

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

TEST_F(SearchWindowTest, MyStorageOpensTheShareOfTheSelectedDevice)
{
    Open();
    desktop.windows.windows = {{1, "nautilus", "Nautilus", "share on 192.0.2.11"}, {2, "nautilus", "Nautilus", "Home"}};
    search.Report("192.0.2.11", "b");
    Ticks(1);
    ClickList(0);
    QTest::mouseClick(window->FindButtonCtrl(IDC_MY_STORAGE), Qt::LeftButton);
    CNetStorageHelper::Instance().WaitForOpeners();
    EXPECT_EQ(desktop.windows.closeRequests, (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(desktop.urls.Urls(), (std::vector<std::string>{"smb://192.0.2.11/"}));
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
        return QTest::qWaitForWindowActive(&target);
    };
    other.show();
    ASSERT_TRUE(activate(other));
    dialog.OnActivateInstance();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog)) << "the window comes forward";
    EXPECT_TRUE(dialog.IsSearching());
    EXPECT_TRUE(Enabled(IDC_LOG_IN));
    EXPECT_FALSE(Enabled(IDC_REFRESH));

    ASSERT_TRUE(activate(other));
    dialog.showMinimized();
    dialog.OnActivateInstance();
    QTest::qWait(50);
    EXPECT_TRUE(dialog.isMinimized());
    EXPECT_FALSE(dialog.isActiveWindow()) << "a minimised window stays where it is";
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
    EXPECT_EQ(DeviceText("disk", 4), QStringLiteral("disk"));
    EXPECT_EQ(DeviceText("caf\xc3\xa9", 5), QStringLiteral("café"));
    EXPECT_EQ(DeviceText("caf\xe9", 4), QStringLiteral("café"));          // not UTF-8: one byte a character
    EXPECT_EQ(DeviceText("\xe3\x81", 2), QString::fromLatin1("\xe3\x81"));  // cut-off sequence
}

} // namespace
