// A scripted RAS library. Built three ways: the full library (FAKE_HAS_CORE and FAKE_HAS_DIAL),
// a primary library that only knows error texts (neither), and a fall-back library without
// RasDialA (FAKE_HAS_CORE only).

#include "fake_ras_control.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Connection {
    HRASCONN handle;
    std::string entry;
    std::string device;
    RASCONNSTATE state;
    int lingerLeft = -1; // status calls left after hang-up; -1 while live
};

struct Script {
    std::vector<std::string> entries;
    std::vector<Connection> connections;
    uint32_t dialResult = 0;
    HRASCONN dialHandle = 0;
    std::vector<RASCONNSTATE> states;
    std::vector<uint32_t> errors;
    int linger = 0;
    std::string calls;
};

std::mutex lock;
Script script;
std::thread notifier;
int noticesSent = 0;

void Record(const std::string &call)
{
    script.calls += call + ";";
}

#ifdef FAKE_HAS_CORE
Connection *FindConnection(HRASCONN handle)
{
    for (auto &connection : script.connections) {
        if (connection.handle == handle)
            return &connection;
    }
    return nullptr;
}
#endif

template <size_t N> void Copy(char (&field)[N], const std::string &text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

} // namespace

extern "C" {

RAS_EXPORT void FakeRas_Reset()
{
    FakeRas_JoinNotifier();
    std::lock_guard guard(lock);
    script = Script{};
}

RAS_EXPORT void FakeRas_AddEntry(const char *name)
{
    std::lock_guard guard(lock);
    script.entries.emplace_back(name);
}

RAS_EXPORT void FakeRas_AddConnection(HRASCONN handle, const char *entry, const char *deviceName,
                                      RASCONNSTATE state)
{
    std::lock_guard guard(lock);
    script.connections.push_back({handle, entry, deviceName, state});
}

RAS_EXPORT void FakeRas_ScriptDial(uint32_t result, HRASCONN handle, const RASCONNSTATE *states,
                                   const uint32_t *errors, int count)
{
    std::lock_guard guard(lock);
    script.dialResult = result;
    script.dialHandle = handle;
    script.states.assign(states, states + count);
    script.errors.assign(errors, errors + count);
}

RAS_EXPORT void FakeRas_SetHangUpLinger(int statusCalls)
{
    std::lock_guard guard(lock);
    script.linger = statusCalls;
}

RAS_EXPORT int FakeRas_JoinNotifier()
{
    if (notifier.joinable())
        notifier.join();
    return noticesSent;
}

RAS_EXPORT const char *FakeRas_Calls()
{
    std::lock_guard guard(lock);
    return script.calls.c_str();
}

RAS_EXPORT uint32_t RasGetErrorStringA(uint32_t uErrorValue, char *lpszErrorString, uint32_t cBufSize)
{
    std::lock_guard guard(lock);
    Record("RasGetErrorStringA(" + std::to_string(uErrorValue) + ")");
    std::snprintf(lpszErrorString, cBufSize, "Fake error %u", uErrorValue);
    return 0;
}

#ifdef FAKE_HAS_CORE

RAS_EXPORT uint32_t RasEnumEntriesA(const char *, const char *, RASENTRYNAMEA *lprasentryname, uint32_t *lpcb,
                                    uint32_t *lpcEntries)
{
    std::lock_guard guard(lock);
    Record("RasEnumEntriesA");
    if (lprasentryname->dwSize != sizeof(RASENTRYNAMEA))
        return ERROR_INVALID_SIZE;
    *lpcEntries = static_cast<uint32_t>(script.entries.size());
    if (*lpcb < script.entries.size() * sizeof(RASENTRYNAMEA))
        return ERROR_BUFFER_TOO_SMALL;
    for (size_t i = 0; i < script.entries.size(); ++i)
        Copy(lprasentryname[i].szEntryName, script.entries[i]);
    return 0;
}

RAS_EXPORT uint32_t RasGetEntryDialParamsA(const char *, RASDIALPARAMSA *lprasdialparams,
                                           int32_t *lpfPassword)
{
    std::lock_guard guard(lock);
    Record(std::string("RasGetEntryDialParamsA(") + lprasdialparams->szEntryName + ")");
    if (lprasdialparams->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    const auto &entries = script.entries;
    if (std::find(entries.begin(), entries.end(), lprasdialparams->szEntryName) == entries.end())
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    Copy(lprasdialparams->szUserName, "fake-user");
    *lpfPassword = 1;
    return 0;
}

RAS_EXPORT uint32_t RasHangUpA(HRASCONN hrasconn)
{
    std::lock_guard guard(lock);
    Record("RasHangUpA(" + std::to_string(hrasconn) + ")");
    Connection *connection = FindConnection(hrasconn);
    if (!connection || connection->lingerLeft >= 0)
        return ERROR_INVALID_HANDLE;
    connection->lingerLeft = script.linger;
    return 0;
}

RAS_EXPORT uint32_t RasGetConnectStatusA(HRASCONN hrasconn, RASCONNSTATUSA *lprasconnstatus)
{
    std::lock_guard guard(lock);
    Record("RasGetConnectStatusA(" + std::to_string(hrasconn) + ")");
    if (lprasconnstatus->dwSize != sizeof(RASCONNSTATUSA))
        return ERROR_INVALID_SIZE;
    Connection *connection = FindConnection(hrasconn);
    if (!connection || connection->lingerLeft == 0)
        return ERROR_INVALID_HANDLE;
    if (connection->lingerLeft > 0)
        --connection->lingerLeft;
    lprasconnstatus->rasconnstate = connection->state;
    lprasconnstatus->dwError = 0;
    Copy(lprasconnstatus->szDeviceType, RASDT_Modem);
    Copy(lprasconnstatus->szDeviceName, connection->device);
    return 0;
}

RAS_EXPORT uint32_t RasEnumConnectionsA(RASCONNA *lprasconn, uint32_t *lpcb, uint32_t *lpcConnections)
{
    std::lock_guard guard(lock);
    Record("RasEnumConnectionsA");
    if (lprasconn->dwSize != sizeof(RASCONNA))
        return ERROR_INVALID_SIZE;
    // Ended connections stay listed, as in a list taken just before they ended.
    std::vector<const Connection *> live;
    for (const auto &connection : script.connections)
        live.push_back(&connection);
    *lpcConnections = static_cast<uint32_t>(live.size());
    if (*lpcb < live.size() * sizeof(RASCONNA))
        return ERROR_BUFFER_TOO_SMALL;
    for (size_t i = 0; i < live.size(); ++i) {
        lprasconn[i].hrasconn = live[i]->handle;
        Copy(lprasconn[i].szEntryName, live[i]->entry);
        Copy(lprasconn[i].szDeviceType, RASDT_Modem);
        Copy(lprasconn[i].szDeviceName, live[i]->device);
    }
    return 0;
}

RAS_EXPORT uint32_t RasGetProjectionInfoA(HRASCONN hrasconn, uint32_t rasprojection, void *lpprojection,
                                          uint32_t *lpcb)
{
    std::lock_guard guard(lock);
    Record("RasGetProjectionInfoA(" + std::to_string(hrasconn) + ")");
    auto *ip = static_cast<RASPPPIPA *>(lpprojection);
    if (rasprojection != RASP_PppIp || *lpcb != sizeof(RASPPPIPA) || ip->dwSize != sizeof(RASPPPIPA))
        return ERROR_INVALID_PARAMETER;
    if (!FindConnection(hrasconn))
        return ERROR_INVALID_HANDLE;
    Copy(ip->szIpAddress, "10.0.0." + std::to_string(hrasconn));
    Copy(ip->szServerIpAddress, "10.0.0.1");
    return 0;
}

#endif

#ifdef FAKE_HAS_DIAL

RAS_EXPORT uint32_t RasDialA(RASDIALEXTENSIONS *, const char *, RASDIALPARAMSA *lpRasDialParams,
                             uint32_t dwNotifierType, void *lpvNotifier, HRASCONN *lphRasConn)
{
    std::lock_guard guard(lock);
    Record(std::string("RasDialA(") + lpRasDialParams->szEntryName + (lpvNotifier ? ",async)" : ",sync)"));
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA) || dwNotifierType != 0)
        return ERROR_INVALID_PARAMETER;
    *lphRasConn = script.dialHandle;
    if (script.dialHandle != 0) {
        const bool up = script.dialResult == 0;
        script.connections.push_back({script.dialHandle, lpRasDialParams->szEntryName, "/dev/ttyFAKE",
                                      up ? RASCS_Connected : RASCS_ConnectDevice});
    }
    if (lpvNotifier && script.dialResult == 0) {
        const auto notify = reinterpret_cast<RASDIALFUNC>(lpvNotifier);
        noticesSent = 0;
        notifier = std::thread([notify, states = script.states, errors = script.errors] {
            for (size_t i = 0; i < states.size(); ++i) {
                notify(WM_RASDIALEVENT, states[i], errors[i]);
                ++noticesSent;
            }
        });
    }
    return script.dialResult;
}

#endif

} // extern "C"
