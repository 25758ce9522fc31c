// The RAS layer over pppd, through its C functions, with a stand-in pppd.

#include "event_loop.h"
#include "pppd_progress.h"
#include "pppd_sandbox.h"
#include "ras.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

extern char **environ;

namespace {

std::vector<std::string> EntryNames(uint32_t &result)
{
    std::vector<RASENTRYNAMEA> names(10);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    uint32_t size = sizeof(RASENTRYNAMEA) * 10, count = 0;
    result = RasEnumEntriesA(nullptr, nullptr, names.data(), &size, &count);
    std::vector<std::string> listed;
    for (uint32_t i = 0; result == 0 && i < count; ++i)
        listed.emplace_back(names[i].szEntryName);
    return listed;
}

std::vector<RASCONNA> Connections()
{
    std::vector<RASCONNA> connections(10);
    connections[0].dwSize = sizeof(RASCONNA);
    uint32_t size = sizeof(RASCONNA) * 10, count = 0;
    EXPECT_EQ(RasEnumConnectionsA(connections.data(), &size, &count), 0u);
    connections.resize(count);
    return connections;
}

uint32_t Status(HRASCONN handle, RASCONNSTATUSA &status)
{
    status = {};
    status.dwSize = sizeof status;
    return RasGetConnectStatusA(handle, &status);
}

bool WaitUntilGone(HRASCONN handle)
{
    RASCONNSTATUSA status;
    return ProcessEventsUntil([&] { return Status(handle, status) == ERROR_INVALID_HANDLE; });
}

uint32_t DialSync(const char *entry, HRASCONN &handle)
{
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, entry);
    return RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle);
}

std::string ErrorString(uint32_t code)
{
    char text[100] = {};
    return RasGetErrorStringA(code, text, sizeof text) == 0 ? text : "";
}

TEST(PppdProgress, FollowsTheLogLinesEvenWhenSplitAcrossReads)
{
    ras::PppdProgress progress;
    std::vector<RASCONNSTATE> states;
    const std::string log =
        "Serial connection established.\nUsing interface ppp3\nConnect: ppp3 <--> /dev/ttyACM0\n"
        "rcvd [LCP ConfReq id=0x1]\nCHAP authentication succeeded\nlocal  IP address 10.0.0.2\n"
        "remote IP address 10.0.0.1\n";
    for (size_t i = 0; i < log.size(); i += 7) {
        for (RASCONNSTATE state : progress.Feed(std::string_view(log).substr(i, 7)))
            states.push_back(state);
        EXPECT_EQ(progress.Connected(), i + 7 >= log.size());
    }
    EXPECT_THAT(states, ElementsAre(RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate,
                                    RASCS_Authenticated, RASCS_Projected));
    EXPECT_EQ(progress.Interface(), "ppp3");
    EXPECT_EQ(progress.Device(), "/dev/ttyACM0");
}

TEST(RasLayer, EveryCodeTheLayerReturnsHasATextThatFitsTheComponentsBuffer)
{
    std::vector<uint32_t> codes = {
        ERROR_INVALID_HANDLE,          ERROR_INVALID_PARAMETER,     ERROR_INVALID_SIZE,
        ERROR_BUFFER_TOO_SMALL,        ERROR_CANNOT_OPEN_PHONEBOOK, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY,
        ERROR_NOT_ENOUGH_MEMORY,       ERROR_DEVICE_DOES_NOT_EXIST, ERROR_PROJECTION_NOT_COMPLETE,
        ERROR_PROTOCOL_NOT_CONFIGURED, ERROR_ACCESS_DENIED,         ERROR_INSUFFICIENT_BUFFER};
    for (int status = 0; status < 30; ++status)
        codes.push_back(ras::ErrorFromExit(W_EXITCODE(status, 0)));
    codes.push_back(ras::ErrorFromExit(SIGKILL));
    for (uint32_t code : codes)
        EXPECT_FALSE(ErrorString(code).empty()) << code;

    char text[100] = "unchanged";
    EXPECT_EQ(RasGetErrorStringA(9999, text, sizeof text), uint32_t(ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(text, "unchanged");
    EXPECT_EQ(RasGetErrorStringA(ERROR_INVALID_HANDLE, text, 5), uint32_t(ERROR_INSUFFICIENT_BUFFER));
}

TEST(RasLayer, PhoneBookListsPeerFilesSortedAndChecksRecordSizes)
{
    PppdSandbox sandbox;
    sandbox.AddPeer(".hidden", "/dev/ttyS1\n");
    sandbox.AddPeer("alpha~", "/dev/ttyS1\n");
    uint32_t result = 1;
    EXPECT_THAT(EntryNames(result), ElementsAre("alpha", "beta"));
    EXPECT_EQ(result, 0u);

    RASENTRYNAMEA one{};
    one.dwSize = sizeof one;
    uint32_t size = sizeof one, count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, &one, &size, &count), uint32_t(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(size, 2 * sizeof one);
    EXPECT_EQ(count, 2u);
    one.dwSize = 532;
    size = sizeof one;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, &one, &size, &count), uint32_t(ERROR_INVALID_SIZE));

    setenv("QUAVREL_PPP_PEERS", (sandbox.Peers() + "/missing").c_str(), 1);
    EXPECT_TRUE(EntryNames(result).empty());
    EXPECT_EQ(result, 0u);
}

TEST(RasLayer, DialParamsExistOnlyForPeerFilesAndCarryTheUserName)
{
    PppdSandbox sandbox;
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, "alpha");
    int32_t hasPassword = -1;
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &hasPassword), 0u);
    EXPECT_STREQ(params.szUserName, "alice");
    EXPECT_EQ(hasPassword, 0);

    for (const char *name : {"gamma", "../peers/alpha", ""}) {
        std::strcpy(params.szEntryName, name);
        EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &hasPassword),
                  uint32_t(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY))
            << name;
    }
    HRASCONN handle = 99;
    EXPECT_EQ(DialSync("gamma", handle), uint32_t(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
    EXPECT_EQ(handle, 0u);
}

TEST(RasLayer, SynchronousDialConnectsListsTheLinkAndHangUpEndsIt)
{
    PppdSandbox sandbox;
    HRASCONN handle = 0;
    ASSERT_EQ(DialSync("alpha", handle), 0u);
    ASSERT_NE(handle, 0u);

    const auto connections = Connections();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].hrasconn, handle);
    EXPECT_STREQ(connections[0].szEntryName, "alpha");
    EXPECT_STREQ(connections[0].szDeviceType, "modem");
    EXPECT_STREQ(connections[0].szDeviceName, "/dev/ttyS0");
    RASCONNSTATUSA status;
    EXPECT_EQ(Status(handle, status), 0u);
    EXPECT_EQ(status.rasconnstate, RASCS_Connected);
    EXPECT_TRUE(sandbox.HasPidFile("ppp0"));

    EXPECT_EQ(RasHangUpA(handle), 0u);
    EXPECT_TRUE(WaitUntilGone(handle));
    EXPECT_TRUE(Connections().empty());
    EXPECT_FALSE(sandbox.HasPidFile("ppp0"));
    EXPECT_EQ(RasHangUpA(handle), uint32_t(ERROR_INVALID_HANDLE));
}

TEST(RasLayer, FailedDialReportsPppdsReasonAndLeavesNoLink)
{
    PppdSandbox sandbox;
    HRASCONN handle = 0;
    EXPECT_EQ(DialSync("beta", handle), uint32_t(ERROR_AUTHENTICATION_FAILURE));
    RASCONNSTATUSA status;
    EXPECT_EQ(Status(handle, status), uint32_t(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(Connections().empty());

    const std::string standIn = std::getenv("QUAVREL_PPPD");
    setenv("QUAVREL_PPPD", "/nonexistent/pppd", 1);
    EXPECT_EQ(DialSync("alpha", handle), uint32_t(ERROR_DEVICE_DOES_NOT_EXIST));
    setenv("QUAVREL_PPPD", standIn.c_str(), 1);
}

TEST(RasLayer, AsynchronousDialSendsEveryStateFromItsOwnThreadThenConnected)
{
    PppdSandbox sandbox;
    static std::mutex lock;
    static std::vector<std::pair<RASCONNSTATE, uint32_t>> notices;
    static bool onCallerThread;
    static std::thread::id caller;
    notices.clear();
    onCallerThread = false;
    caller = std::this_thread::get_id();

    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, "alpha");
    HRASCONN handle = 0;
    const RASDIALFUNC notify = [](uint32_t message, RASCONNSTATE state, uint32_t error) {
        std::lock_guard guard(lock);
        EXPECT_EQ(message, uint32_t(WM_RASDIALEVENT));
        onCallerThread = onCallerThread || std::this_thread::get_id() == caller;
        notices.emplace_back(state, error);
    };
    ASSERT_EQ(RasDialA(nullptr, nullptr, &params, 0, reinterpret_cast<void *>(notify), &handle), 0u);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(ProcessEventsUntil([&] {
        std::lock_guard guard(lock);
        return !notices.empty() && notices.back().first == RASCS_Connected;
    }));
    {
        std::lock_guard guard(lock);
        using Notice = std::pair<RASCONNSTATE, uint32_t>;
        EXPECT_THAT(notices, ElementsAre(Notice{RASCS_OpenPort, 0}, Notice{RASCS_DeviceConnected, 0},
                                         Notice{RASCS_AllDevicesConnected, 0}, Notice{RASCS_Authenticate, 0},
                                         Notice{RASCS_Authenticated, 0}, Notice{RASCS_Projected, 0},
                                         Notice{RASCS_Connected, 0}));
        EXPECT_FALSE(onCallerThread);
    }
    EXPECT_EQ(RasHangUpA(handle), 0u);
    EXPECT_TRUE(WaitUntilGone(handle));
}

TEST(RasLayer, ProjectionReadsTheAddressesOfTheLinksInterface)
{
    PppdSandbox sandbox;
    // The loopback interface stands in for a ppp interface: it exists without privileges.
    sandbox.AddPeer("loop", "/dev/ttyS2\n# stand-in: interface lo\n");
    HRASCONN handle = 0;
    ASSERT_EQ(DialSync("loop", handle), 0u);

    RASPPPIPA ip{};
    ip.dwSize = sizeof ip;
    uint32_t size = sizeof ip;
    EXPECT_EQ(RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &size), 0u);
    EXPECT_STREQ(ip.szIpAddress, "127.0.0.1");
    EXPECT_STREQ(ip.szServerIpAddress, ""); // not a point-to-point interface
    EXPECT_EQ(RasGetProjectionInfoA(handle, 0x803F, &ip, &size), uint32_t(ERROR_PROTOCOL_NOT_CONFIGURED));
    size = 39;
    EXPECT_EQ(RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &size), uint32_t(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(size, 40u);

    EXPECT_EQ(RasHangUpA(handle), 0u);
    EXPECT_TRUE(WaitUntilGone(handle));
    size = sizeof ip;
    EXPECT_EQ(RasGetProjectionInfoA(handle, RASP_PppIp, &ip, &size), uint32_t(ERROR_INVALID_HANDLE));
}

TEST(RasLayer, LinkStartedByAnotherProgramIsListedAndCanBeHungUp)
{
    PppdSandbox sandbox;
    std::string program = std::getenv("QUAVREL_PPPD");
    std::string call = "call", entry = "alpha", detach = "nodetach";
    char *argv[] = {program.data(), call.data(), entry.data(), detach.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The test runner may ignore SIGTERM; a shell cannot trap a signal ignored on entry.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, &attr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ASSERT_TRUE(ProcessEventsUntil([&] { return sandbox.HasPidFile("ppp0"); }));

    const auto connections = Connections();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].hrasconn, static_cast<HRASCONN>(pid));
    EXPECT_STREQ(connections[0].szEntryName, "alpha");
    EXPECT_STREQ(connections[0].szDeviceName, "/dev/ttyS0");

    EXPECT_EQ(RasHangUpA(static_cast<HRASCONN>(pid)), 0u);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 5);
    EXPECT_TRUE(Connections().empty());

    // A pid file left by a pppd that died names no link, even if its pid is alive.
    std::ofstream(sandbox.Run() + "/ppp1.pid") << getpid() << "\n";
    EXPECT_TRUE(Connections().empty());
    EXPECT_EQ(RasHangUpA(static_cast<HRASCONN>(getpid())), uint32_t(ERROR_INVALID_HANDLE));
}

} // namespace
