#include "app/WebLogin.h"
#include "app/DeviceAddress.h"
#include "discovery/DottedIPv4.h"
#include "platform/support/DesktopFakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Texts that come from the network and must never be acted on.
const std::vector<std::string> kNotAnAddress = {"",
                                                "192.0.2",
                                                "192.0.2.5.1",
                                                "192.0.2.256",
                                                "192.0.2.05",
                                                " 192.0.2.5",
                                                "192.0.2.5 ",
                                                "192.0.2.5/x",
                                                "192.0.2.5:80",
                                                "example.org",
                                                "0x7f.0.0.1",
                                                "192.0.2.-1",
                                                "1.2.3.4.",
                                                "192.0.2.5\n",
                                                "::1",
                                                "192.0.2.5;x",
                                                std::string("192.0.2.5\0.7", 11)};

TEST(DottedIPv4Test, OnlyPlainDottedIPv4AddressesAreAccepted)
{
    for (const char* ip : {"192.0.2.5", "198.18.0.1", "0.0.0.0", "255.255.255.255"})
        EXPECT_TRUE(IsDottedIPv4(ip)) << ip;
    for (const std::string& text : kNotAnAddress)
        EXPECT_FALSE(IsDottedIPv4(text)) << text;
}

TEST(DeviceAddressTest, ShareHostIsTheWholeHostOfEachShareNameForm)
{
    for (const char* name : {"SMB://192.0.2.5", "smb://user;dom@192.0.2.5:445/public/", "//192.0.2.5/public",
                             "\\\\192.0.2.5\\public", "\\\\192.0.2.5@SSL\\DavWWWRoot",
                             "\\\\192.0.2.5@8080\\share", "\\\\192.0.2.5@SSL@8443\\DavWWWRoot\\docs"})
        EXPECT_TRUE(ShareIsOnHost(name, "192.0.2.5")) << name;
    for (const char* name : {"smb://192.0.2.5.example/public", "sftp://192.0.2.5/", "/mnt/192.0.2.5",
                             "smb:///x", "\\\\192.0.2.50@SSL\\DavWWWRoot", "\\\\nas@192.0.2.5\\share"})
        EXPECT_FALSE(ShareIsOnHost(name, "192.0.2.5")) << name;
    EXPECT_FALSE(ShareIsOnHost("smb:///public", ""));
}

TEST(DeviceAddressTest, TitleShowsTheHostOnlyAsAWholeAddress)
{
    for (const char* title : {"public on 192.0.2.5", "192.0.2.5", "smb://192.0.2.5/public/docs — Dolphin",
                              "Windows shares on 192.0.2.5", "//192.0.2.5/public", "\\\\192.0.2.5\\public",
                              "smb://guest@192.0.2.5:445/", "192.0.2.50 and 192.0.2.5"})
        EXPECT_TRUE(TitleShowsHost(title, "192.0.2.5")) << title;
    for (const char* title : {"public on 192.0.2.50", "smb://10.192.0.2.5/", "192.0.2.5.1", "x192.0.2.5",
                              "nas-192.0.2.5", "192.0.2.5_backup", "Home", ""})
        EXPECT_FALSE(TitleShowsHost(title, "192.0.2.5")) << title;
}

TEST(WebLoginTest, OpensHttpAndTheAddressWithNothingAdded)
{
    CRecordingUrlOpener opener;

    OpenWebLogin(std::string("192.0.2.20"), opener);

    EXPECT_THAT(opener.Urls(), ElementsAre("http://192.0.2.20"));
}

TEST(WebLoginTest, NoSelectionOrABadAddressOpensNothing)
{
    CRecordingUrlOpener opener;

    OpenWebLogin(std::nullopt, opener);
    for (const std::string& text : kNotAnAddress)
        OpenWebLogin(text, opener);

    EXPECT_THAT(opener.Urls(), IsEmpty());
}

} // namespace
