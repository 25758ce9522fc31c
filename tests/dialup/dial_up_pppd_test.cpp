// TDialUp over the real RAS layer, loaded by name, with a stand-in pppd.

#include "event_loop.h"
#include "pppd_sandbox.h"
#include "quavrel/dialup/dial_up.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

TEST(DialUpOverPppd, ListsEntriesDialsShowsTheConnectionAndHangsUp)
{
    EnsureCoreApplication();
    PppdSandbox sandbox;
    TDialUp dialUp;
    dialUp.SetDialMode(dmSync);
    std::vector<std::string> events;
    dialUp.OnEntryGet = [&](QObject *, const TEntryNameField &name) { events.push_back(name); };
    dialUp.OnDialing = [&](QObject *) { events.push_back("Dialing"); };
    dialUp.OnConnect = [&](QObject *) { events.push_back("Connect"); };
    dialUp.OnNotConnected = [&](QObject *, int32_t code, const QString &text) {
        events.push_back("NotConnected " + std::to_string(code) + " " + text.toStdString());
    };
    HRASCONN reported = 0;
    dialUp.OnActiveConnection = [&](QObject *, HRASCONN handle, const TRasConnStatusA &, const QString &text,
                                    const TEntryNameField &entry, const TDeviceTypeField &type,
                                    const TDeviceNameField &device) {
        reported = handle;
        events.push_back(text.toStdString() + " " + entry + " " + type + " " + device);
    };

    EXPECT_EQ(dialUp.GetEntries(), 0u);
    EXPECT_EQ(dialUp.GetConnections(), 0u);
    dialUp.SetEntry("beta");
    EXPECT_EQ(dialUp.Dial(), uint32_t(ERROR_AUTHENTICATION_FAILURE));
    dialUp.SetEntry("alpha");
    EXPECT_EQ(dialUp.Dial(), 0u);
    EXPECT_EQ(dialUp.GetConnections(), 0u);
    EXPECT_THAT(events,
                ElementsAre("alpha", "beta", "Dialing",
                            "NotConnected 691 Authentication failed: check the user name and password.",
                            "Dialing", "Connect", "Connecté alpha modem /dev/ttyS0"));
    EXPECT_EQ(reported, dialUp.ConnHandle());

    EXPECT_EQ(dialUp.GetProjection(dialUp.ConnHandle()), uint32_t(ERROR_PROJECTION_NOT_COMPLETE));
    EXPECT_EQ(dialUp.HangUp(), 0u);
    RASCONNSTATUSA status{};
    status.dwSize = sizeof status;
    EXPECT_EQ(RasGetConnectStatusA(dialUp.ConnHandle(), &status), uint32_t(ERROR_INVALID_HANDLE));
    events.clear();
    EXPECT_EQ(dialUp.GetConnections(), 0u);
    EXPECT_TRUE(events.empty());
}

TEST(DialUpOverPppd, AsynchronousDialRaisesTheLinksStatesInTheLanguage)
{
    EnsureCoreApplication();
    PppdSandbox sandbox;
    TDialUp dialUp;
    dialUp.SetLanguage(Czech);
    dialUp.SetEntry("alpha");
    std::vector<std::string> texts;
    dialUp.OnAsyncEvent = [&](QObject *, int32_t, int32_t, const QString &text) {
        texts.push_back(text.toStdString());
    };
    EXPECT_EQ(dialUp.Dial(), 0u);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !texts.empty() && texts.back() == "Spojeno"; }));
    EXPECT_THAT(texts,
                ElementsAre("Otevírá se port", "Navázáno spojení", "Všechna zařízení spojena",
                            "Začínají se ověřovat uživatelské informace", "Ověřeno", "Navrhnuto", "Spojeno"));
    EXPECT_EQ(dialUp.HangUp(), 0u);
}

} // namespace
