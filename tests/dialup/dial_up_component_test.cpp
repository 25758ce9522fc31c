// TDialUp over the scripted fake RAS library (QUAVREL_LIBRARY_PATH names its directory).

#include "event_loop.h"
#include "fake_ras_control.h"
#include "quavrel/dialup/dial_up.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <QThread>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::string FakeLibrary()
{
    return std::string(std::getenv("QUAVREL_LIBRARY_PATH")) + "/librasapi32.so";
}

class DialUpOverFake : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureCoreApplication(); }

    void SetUp() override
    {
        fake.Reset();
        dialUp.OnEntryGet = [this](QObject *sender, const TEntryNameField &name) {
            EXPECT_EQ(sender, &dialUp);
            events.push_back(std::string("EntryGet ") + name);
        };
        dialUp.OnDialing = [this](QObject *) { events.push_back("Dialing"); };
        dialUp.OnConnect = [this](QObject *) { events.push_back("Connect"); };
        dialUp.OnNotConnected = [this](QObject *, int32_t code, const QString &text) {
            events.push_back("NotConnected " + std::to_string(code) + " " + text.toStdString());
        };
        dialUp.OnError = [this](QObject *, int32_t code, const QString &text) {
            events.push_back("Error " + std::to_string(code) + " " + text.toStdString());
        };
    }

    std::string Calls() const { return fake.Calls(); }

    FakeRasControl fake{FakeLibrary()};
    TDialUp dialUp;
    std::vector<std::string> events;
};

TEST_F(DialUpOverFake, NewComponentDialsAsynchronouslyInFrenchAndHasNoAdapterStatistics)
{
    EXPECT_EQ(dialUp.DialMode(), dmAsync);
    EXPECT_EQ(dialUp.Language(), France);
    EXPECT_EQ(dialUp.ConnHandle(), 0u);
    EXPECT_FALSE(dialUp.ReadDUNA());
    EXPECT_TRUE(dialUp.DUNA().isEmpty());
}

TEST_F(DialUpOverFake, EntriesAreListedOncePerCallWithOneEventEach)
{
    EXPECT_EQ(dialUp.GetEntries(), 0u);
    EXPECT_TRUE(dialUp.Entries().isEmpty());
    EXPECT_TRUE(events.empty());

    fake.AddEntry("Alpha Net");
    fake.AddEntry("Beta");
    EXPECT_EQ(dialUp.GetEntries(), 0u);
    EXPECT_EQ(dialUp.GetEntries(), 0u);
    EXPECT_EQ(dialUp.Entries(), QStringList({"Alpha Net", "Beta"}));
    EXPECT_THAT(events,
                ElementsAre("EntryGet Alpha Net", "EntryGet Beta", "EntryGet Alpha Net", "EntryGet Beta"));
}

TEST_F(DialUpOverFake, UnknownEntryRaisesOnlyOnErrorAndNeverDials)
{
    fake.AddEntry("Alpha");
    dialUp.SetEntry("Gamma");
    EXPECT_EQ(dialUp.Dial(), uint32_t(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
    EXPECT_THAT(events, ElementsAre("Error 623 GetEntryDialParams failed"));
    EXPECT_THAT(Calls(), ::testing::Not(HasSubstr("RasDialA")));

    // A name longer than the record holds must not be cut down to another entry's name.
    fake.AddEntry(std::string(256, 'x').c_str());
    events.clear();
    dialUp.SetEntry(QString(300, 'x'));
    EXPECT_EQ(dialUp.Dial(), uint32_t(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
    EXPECT_THAT(events, ElementsAre("Error 623 GetEntryDialParams failed"));
}

TEST_F(DialUpOverFake, SynchronousDialConnectsAndTheNextDialDropsTheFormerConnection)
{
    fake.AddEntry("Alpha");
    fake.ScriptDial(0, 7, nullptr, nullptr, 0);
    dialUp.SetDialMode(dmSync);
    dialUp.SetEntry("Alpha");

    EXPECT_EQ(dialUp.Dial(), 0u);
    EXPECT_THAT(events, ElementsAre("Dialing", "Connect"));
    EXPECT_EQ(dialUp.ConnHandle(), 7u);
    EXPECT_THAT(Calls(), HasSubstr("RasGetEntryDialParamsA(Alpha);RasDialA(Alpha,sync)"));

    fake.ScriptDial(0, 8, nullptr, nullptr, 0);
    EXPECT_EQ(dialUp.Dial(), 0u);
    const std::string calls = Calls();
    const auto secondDial = calls.rfind("RasGetEntryDialParamsA");
    EXPECT_LT(calls.rfind("RasHangUpA(7)"), secondDial);
    EXPECT_EQ(dialUp.ConnHandle(), 8u);
}

TEST_F(DialUpOverFake, FailedSynchronousDialHangsUpTheHalfMadeConnectionAndReportsTheSystemText)
{
    fake.AddEntry("Alpha");
    fake.ScriptDial(678, 9, nullptr, nullptr, 0);
    fake.SetHangUpLinger(2);
    dialUp.SetDialMode(dmSync);
    dialUp.SetEntry("Alpha");

    EXPECT_EQ(dialUp.Dial(), 678u);
    EXPECT_THAT(events, ElementsAre("Dialing", "NotConnected 678 Fake error 678"));
    // Hung up, then waited for until the connection was gone.
    EXPECT_THAT(Calls(), HasSubstr("RasHangUpA(9);RasGetConnectStatusA(9);RasGetConnectStatusA(9);"
                                   "RasGetConnectStatusA(9);RasGetErrorStringA(678)"));
}

TEST_F(DialUpOverFake, AsynchronousStartFailureRaisesOnErrorWithTheSystemText)
{
    fake.AddEntry("Alpha");
    fake.ScriptDial(633, 0, nullptr, nullptr, 0);
    dialUp.SetEntry("Alpha");
    EXPECT_EQ(dialUp.Dial(), 633u);
    EXPECT_THAT(events, ElementsAre("Dialing", "Error 633 Fake error 633"));
}

TEST_F(DialUpOverFake, BurstOfAsynchronousNoticesIsRaisedOnTheComponentThreadInOrderNoneLost)
{
    // Every state with a text, then a failure: far more notices than one slot holds.
    std::vector<RASCONNSTATE> states;
    for (RASCONNSTATE state = RASCS_OpenPort; state <= RASCS_SubEntryDisconnected; ++state)
        states.push_back(state);
    for (RASCONNSTATE state :
         {RASCS_Interactive, RASCS_RetryAuthentication, RASCS_CallbackSetByCaller, RASCS_PasswordExpired,
          RASCS_Connected, RASCS_Disconnected, RASCS_Authenticate})
        states.push_back(state);
    std::vector<uint32_t> errors(states.size(), 0);
    errors.back() = ERROR_AUTHENTICATION_FAILURE;
    fake.AddEntry("Alpha");
    fake.ScriptDial(0, 11, states.data(), errors.data(), static_cast<int>(states.size()));

    struct Notice {
        int32_t state, error;
        QString text;
        bool onComponentThread;
    };
    std::vector<Notice> notices;
    dialUp.SetLanguage(Portuguese);
    dialUp.OnAsyncEvent = [&](QObject *sender, int32_t state, int32_t error, const QString &text) {
        EXPECT_EQ(sender, &dialUp);
        notices.push_back({state, error, text, QThread::currentThread() == dialUp.thread()});
    };
    dialUp.SetEntry("Alpha");
    EXPECT_EQ(dialUp.Dial(), 0u);
    EXPECT_EQ(dialUp.ConnHandle(), 11u);

    ASSERT_TRUE(ProcessEventsUntil([&] { return notices.size() >= states.size(); }));
    EXPECT_EQ(fake.JoinNotifier(), static_cast<int>(states.size()));
    ASSERT_EQ(notices.size(), states.size());
    for (size_t i = 0; i < states.size(); ++i) {
        EXPECT_EQ(notices[i].state, states[i]) << "notice " << i;
        EXPECT_EQ(notices[i].error, static_cast<int32_t>(errors[i])) << "notice " << i;
        EXPECT_TRUE(notices[i].onComponentThread) << "notice " << i;
        EXPECT_EQ(notices[i].text, dialUp.StatusText(states[i], static_cast<int32_t>(errors[i])));
    }
    EXPECT_EQ(notices[RASCS_Authenticated].text, "Autenticado");
    EXPECT_EQ(notices.back().text, "Fake error 691");
}

TEST_F(DialUpOverFake, DestroyingTheComponentReleasesANotifierWaitingForTheSlot)
{
    const RASCONNSTATE states[] = {RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice, RASCS_Connected};
    const uint32_t errors[] = {0, 0, 0, 0};
    fake.AddEntry("Alpha");
    fake.ScriptDial(0, 12, states, errors, 4);
    auto *doomed = new TDialUp;
    doomed->SetEntry("Alpha");
    EXPECT_EQ(doomed->Dial(), 0u);
    // No event processed: the notifier holds the second notice until the slot is free.
    delete doomed;
    EXPECT_EQ(fake.JoinNotifier(), 4);
}

TEST_F(DialUpOverFake, ActiveConnectionsAreReportedWithStatusTextInTheLanguage)
{
    fake.AddConnection(21, "Alpha", "/dev/ttyS0", RASCS_Connected);
    fake.AddConnection(22, "Beta", "/dev/ttyUSB1", RASCS_Authenticate);
    std::vector<std::string> reported;
    dialUp.OnActiveConnection = [&](QObject *, HRASCONN handle, const TRasConnStatusA &status,
                                    const QString &text, const TEntryNameField &entry,
                                    const TDeviceTypeField &type, const TDeviceNameField &device) {
        reported.push_back(std::to_string(handle) + " " + std::to_string(status.rasconnstate) + " " +
                           text.toStdString() + " " + entry + " " + type + " " + device);
    };
    dialUp.SetLanguage(Czech);
    EXPECT_EQ(dialUp.GetConnections(), 0u);
    EXPECT_THAT(reported,
                ElementsAre("21 8192 Spojeno Alpha modem /dev/ttyS0",
                            "22 5 Začínají se ověřovat uživatelské informace Beta modem /dev/ttyUSB1"));

    // A connection that ends between the listing and its status is no longer reported.
    EXPECT_EQ(dialUp.HangUpConnection(22), 0u);
    reported.clear();
    EXPECT_EQ(dialUp.GetConnections(), 0u);
    EXPECT_THAT(reported, ElementsAre("21 8192 Spojeno Alpha modem /dev/ttyS0"));

    fake.Reset();
    reported.clear();
    EXPECT_EQ(dialUp.GetConnections(), 0u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(DialUpOverFake, ProjectionFillsTheAddressesOfAConnectionAndClearsThemOtherwise)
{
    fake.AddConnection(12, "Alpha", "/dev/ttyS0", RASCS_Connected);
    EXPECT_EQ(dialUp.GetProjection(12), 0u);
    EXPECT_EQ(dialUp.ClientIP(), "10.0.0.12");
    EXPECT_EQ(dialUp.ServerIP(), "10.0.0.1");

    EXPECT_EQ(dialUp.GetProjection(13), uint32_t(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(dialUp.ClientIP().isEmpty());
    EXPECT_TRUE(dialUp.ServerIP().isEmpty());

    dialUp.GetProjection(12);
    EXPECT_EQ(dialUp.GetProjection(0), 0u);
    EXPECT_TRUE(dialUp.ClientIP().isEmpty());
    EXPECT_THAT(Calls(), ::testing::Not(HasSubstr("RasGetProjectionInfoA(0)")));
}

TEST_F(DialUpOverFake, StatusTextByLanguageStateAndError)
{
    const std::pair<TLanguage, const char *> connected[] = {{France, "Connecté"},
                                                            {Czech, "Spojeno"},
                                                            {Portuguese, "Conectado"},
                                                            {static_cast<TLanguage>(7), "Connecté"}};
    for (const auto &[language, text] : connected) {
        dialUp.SetLanguage(language);
        EXPECT_EQ(dialUp.StatusText(RASCS_Connected, 0), QString::fromUtf8(text));
        EXPECT_TRUE(dialUp.StatusText(RASCS_SubEntryConnected, 0).isEmpty());
        EXPECT_TRUE(dialUp.StatusText(RASCS_LogonNetwork + 3, 0).isEmpty());
        EXPECT_EQ(dialUp.StatusText(RASCS_Connected, 691), "Fake error 691");
    }
    dialUp.SetLanguage(France);
    EXPECT_EQ(dialUp.StatusText(RASCS_StartAuthentication, 0), dialUp.StatusText(RASCS_Authenticate, 0));
    dialUp.SetLanguage(Czech);
    EXPECT_EQ(dialUp.StatusText(RASCS_PortOpened, 0), "Port otevřen");
}

} // namespace
