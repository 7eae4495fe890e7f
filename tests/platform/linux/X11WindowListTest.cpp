#include "platform/linux/X11WindowList.h"
#include "app/NetworkStorage.h"
#include "platform/support/linux/X11TestClient.h"
#include "platform/support/linux/XvfbServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

using ::testing::Field;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

// Each test gets its own X server; it has no window manager, so there is no client list
// unless a test publishes one.
class X11WindowListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!server.IsRunning())
            GTEST_SKIP() << "Xvfb could not be started";
        ASSERT_TRUE(client.IsConnected());
    }

    CXvfbServer server;
    CX11TestClient client{server.DisplayName()};
    CX11WindowList windows{server.DisplayName()};
};

TEST_F(X11WindowListTest, FileBrowserWindowsShowingTheDeviceAreAskedToClose)
{
    const auto shareWindow =
        client.CreateWindow({"org.gnome.Nautilus", "Org.gnome.Nautilus", "public on 192.0.2.5", {}});
    const auto urlWindow =
        client.CreateWindow({"dolphin", "dolphin", "", "smb://192.0.2.5/public/docs — Dolphin"});
    client.CreateWindow({"xterm", "XTerm", "public on 192.0.2.5", {}});
    client.CreateWindow({"nautilus", "Nautilus", "public on 192.0.2.50", {}});
    client.CreateWindow({"thunar", "Thunar", "smb://10.192.0.2.5/public/", {}});
    client.CreateWindow({"caja", "Caja", "Home", {}});
    client.CreateWindow({"nemo", "Nemo", "public on 192.0.2.5", {}, /*bAcceptsClose=*/false});

    CloseExplorerWindows(ShareRootOf("192.0.2.5", ShareStyle::SmbUrl), windows, ShareStyle::SmbUrl, 0);

    EXPECT_THAT(client.CloseRequests(), UnorderedElementsAre(shareWindow, urlWindow));
}

TEST_F(X11WindowListTest, WindowsComeFromTheClientListWhenOneIsKept)
{
    const auto listed = client.CreateWindow({"caja", "Caja", "legacy title", "UTF-8 title ✓"});
    client.CreateWindow({"caja", "Caja", "unlisted", {}});
    client.SetClientList({listed});

    const auto found = windows.TopLevelWindows();

    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].nId, listed);
    EXPECT_EQ(found[0].strInstance, "caja");
    EXPECT_EQ(found[0].strClass, "Caja");
    EXPECT_EQ(found[0].strTitle, "UTF-8 title ✓");
}

TEST_F(X11WindowListTest, WithoutAClientListTheRootChildrenWithAClassAreSeen)
{
    const auto named = client.CreateWindow({"pcmanfm", "Pcmanfm", "legacy title", {}});
    client.CreateWindow({"", "", "", {}});

    EXPECT_THAT(
        windows.TopLevelWindows(),
        UnorderedElementsAre(::testing::AllOf(Field(&CWindowList::TopLevelWindow::nId, named),
                                              Field(&CWindowList::TopLevelWindow::strTitle, "legacy title")),
                             Field(&CWindowList::TopLevelWindow::strInstance, "")));
}

TEST_F(X11WindowListTest, ClosingAWindowThatIsGoneIsHarmless)
{
    windows.RequestClose(0x7fffffff);
    CX11WindowList unreachable(":32767");
    unreachable.RequestClose(1);
    EXPECT_THAT(unreachable.TopLevelWindows(), IsEmpty());
}

TEST(X11WindowListSessionTest, NoDisplayMeansNoWindows)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    unsetenv("DISPLAY");
    CX11WindowList windows;
    if (!display.empty())
        setenv("DISPLAY", display.c_str(), 1);

    EXPECT_THAT(windows.TopLevelWindows(), IsEmpty());
    windows.RequestClose(1);
}

} // namespace
