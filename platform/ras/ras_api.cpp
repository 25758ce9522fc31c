// The exported Ras*A functions over pppd. Nothing throws across this boundary: a failed
// allocation becomes ERROR_NOT_ENOUGH_MEMORY.

#include "error_texts.h"
#include "foreign_links.h"
#include "interface_addresses.h"
#include "own_links.h"
#include "phone_book.h"
#include "ras.h"

#include <chrono>
#include <cstring>
#include <new>
#include <optional>
#include <thread>

namespace {

using namespace ras;

template <size_t N> void CopyText(char (&field)[N], const std::string &text)
{
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

template <typename Body> uint32_t Guarded(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_UNKNOWN;
    }
}

std::optional<LinkView> FindLink(HRASCONN handle)
{
    if (auto own = OwnLinks::Instance().Find(handle))
        return own;
    return FindForeignLink(PeersDirectory(nullptr), handle);
}

// Follows a dial until the link is up or pppd has ended, passing every state on. 0 when
// connected, else the code of the failure, which is also sent with the last state reached.
template <typename Notify> uint32_t FollowDial(HRASCONN handle, Notify notify)
{
    auto &links = OwnLinks::Instance();
    for (;;) {
        const auto progress = links.Poll(handle);
        for (const RASCONNSTATE state : progress.states)
            notify(state, 0);
        if (progress.connected) {
            links.EndFollow(handle);
            notify(RASCS_Connected, 0);
            return 0;
        }
        if (progress.ended) {
            links.EndFollow(handle);
            const uint32_t error = ErrorFromExit(progress.waitStatus);
            notify(progress.state, error);
            return error;
        }
        // pppd's log has no readiness signal: a short poll costs nothing beside a modem's pace.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

template <typename Record>
uint32_t FillRecords(Record *records, uint32_t *lpcb, uint32_t *lpcCount, size_t count,
                     void (*fill)(Record &, size_t, const void *), const void *source)
{
    const size_t needed = count * sizeof(Record);
    *lpcCount = static_cast<uint32_t>(count);
    if (needed > *lpcb || (count > 0 && !records)) {
        *lpcb = static_cast<uint32_t>(needed);
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (size_t i = 0; i < count; ++i) {
        std::memset(&records[i], 0, sizeof(Record));
        records[i].dwSize = sizeof(Record);
        fill(records[i], i, source);
    }
    *lpcb = static_cast<uint32_t>(needed);
    return 0;
}

} // namespace

extern "C" {

RAS_EXPORT uint32_t RasEnumEntriesA(const char *, const char *lpszPhonebook, RASENTRYNAMEA *lprasentryname,
                                    uint32_t *lpcb, uint32_t *lpcEntries)
{
    return Guarded([&]() -> uint32_t {
        if (!lpcb || !lpcEntries)
            return ERROR_INVALID_PARAMETER;
        if (lprasentryname && lprasentryname->dwSize != sizeof(RASENTRYNAMEA))
            return ERROR_INVALID_SIZE;
        std::vector<std::string> names;
        if (const uint32_t error = ListEntries(PeersDirectory(lpszPhonebook), names))
            return error;
        return FillRecords<RASENTRYNAMEA>(
            lprasentryname, lpcb, lpcEntries, names.size(),
            [](RASENTRYNAMEA &record, size_t i, const void *source) {
                CopyText(record.szEntryName, (*static_cast<const std::vector<std::string> *>(source))[i]);
            },
            &names);
    });
}

RAS_EXPORT uint32_t RasGetEntryDialParamsA(const char *lpszPhonebook, RASDIALPARAMSA *lprasdialparams,
                                           int32_t *lpfPassword)
{
    return Guarded([&]() -> uint32_t {
        if (!lprasdialparams)
            return ERROR_INVALID_PARAMETER;
        if (lprasdialparams->dwSize != sizeof(RASDIALPARAMSA))
            return ERROR_INVALID_SIZE;
        const auto &field = lprasdialparams->szEntryName;
        const std::string entry(field, strnlen(field, sizeof field));
        const std::string dir = PeersDirectory(lpszPhonebook);
        if (entry.size() == sizeof field || !EntryExists(dir, entry))
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        const PeerOptions options = ReadPeerOptions(dir + "/" + entry);
        RASDIALPARAMSA filled{};
        filled.dwSize = sizeof filled;
        CopyText(filled.szEntryName, entry);
        CopyText(filled.szUserName, options.user);
        *lprasdialparams = filled;
        // Passwords stay in pppd's secrets files, out of the program's reach.
        if (lpfPassword)
            *lpfPassword = 0;
        return 0;
    });
}

RAS_EXPORT uint32_t RasDialA(RASDIALEXTENSIONS *, const char *lpszPhonebook, RASDIALPARAMSA *lpRasDialParams,
                             uint32_t dwNotifierType, void *lpvNotifier, HRASCONN *lphRasConn)
{
    return Guarded([&]() -> uint32_t {
        if (!lpRasDialParams || !lphRasConn || (lpvNotifier && dwNotifierType != 0))
            return ERROR_INVALID_PARAMETER;
        if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA))
            return ERROR_INVALID_SIZE;
        *lphRasConn = 0;
        const auto &field = lpRasDialParams->szEntryName;
        const std::string entry(field, strnlen(field, sizeof field));
        const std::string dir = PeersDirectory(lpszPhonebook);
        if (entry.size() == sizeof field || !EntryExists(dir, entry))
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

        HRASCONN handle = 0;
        if (const uint32_t error = OwnLinks::Instance().Start(dir, entry, handle))
            return error;
        *lphRasConn = handle;
        if (!lpvNotifier)
            return FollowDial(handle, [](RASCONNSTATE, uint32_t) {});

        const auto notifier = reinterpret_cast<RASDIALFUNC>(lpvNotifier);
        // Detached: the dial lives on after RasDialA returns. The library is never unloaded
        // (linked with -z nodelete), so the thread's code outlives any FreeLibrary.
        std::thread([handle, notifier] {
            notifier(WM_RASDIALEVENT, RASCS_OpenPort, 0);
            FollowDial(handle, [notifier](RASCONNSTATE state, uint32_t error) {
                notifier(WM_RASDIALEVENT, state, error);
            });
        }).detach();
        return 0;
    });
}

RAS_EXPORT uint32_t RasHangUpA(HRASCONN hrasconn)
{
    return Guarded([&]() -> uint32_t {
        if (OwnLinks::Instance().HangUp(hrasconn) == 0)
            return 0;
        return HangUpForeignLink(PeersDirectory(nullptr), hrasconn);
    });
}

RAS_EXPORT uint32_t RasGetConnectStatusA(HRASCONN hrasconn, RASCONNSTATUSA *lprasconnstatus)
{
    return Guarded([&]() -> uint32_t {
        if (!lprasconnstatus)
            return ERROR_INVALID_PARAMETER;
        if (lprasconnstatus->dwSize != sizeof(RASCONNSTATUSA))
            return ERROR_INVALID_SIZE;
        const auto link = FindLink(hrasconn);
        if (!link)
            return ERROR_INVALID_HANDLE;
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        status.rasconnstate = link->state;
        CopyText(status.szDeviceType, RASDT_Modem);
        CopyText(status.szDeviceName, link->device);
        *lprasconnstatus = status;
        return 0;
    });
}

RAS_EXPORT uint32_t RasEnumConnectionsA(RASCONNA *lprasconn, uint32_t *lpcb, uint32_t *lpcConnections)
{
    return Guarded([&]() -> uint32_t {
        if (!lpcb || !lpcConnections)
            return ERROR_INVALID_PARAMETER;
        if (lprasconn && lprasconn->dwSize != sizeof(RASCONNA))
            return ERROR_INVALID_SIZE;
        std::vector<LinkView> links = OwnLinks::Instance().All();
        // A link of ours also has pppd's pid files: list it once.
        for (auto &foreign : ForeignLinks(PeersDirectory(nullptr))) {
            bool known = false;
            for (const auto &own : links)
                known = known || own.handle == foreign.handle;
            if (!known)
                links.push_back(std::move(foreign));
        }
        return FillRecords<RASCONNA>(
            lprasconn, lpcb, lpcConnections, links.size(),
            [](RASCONNA &record, size_t i, const void *source) {
                const LinkView &link = (*static_cast<const std::vector<LinkView> *>(source))[i];
                record.hrasconn = link.handle;
                CopyText(record.szEntryName, link.entry);
                CopyText(record.szDeviceType, RASDT_Modem);
                CopyText(record.szDeviceName, link.device);
            },
            &links);
    });
}

RAS_EXPORT uint32_t RasGetErrorStringA(uint32_t uErrorValue, char *lpszErrorString, uint32_t cBufSize)
{
    if (!lpszErrorString)
        return ERROR_INVALID_PARAMETER;
    const char *text = ErrorText(uErrorValue);
    if (!text)
        return ERROR_INVALID_PARAMETER;
    const size_t length = std::strlen(text);
    if (length >= cBufSize)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(lpszErrorString, text, length + 1);
    return 0;
}

RAS_EXPORT uint32_t RasGetProjectionInfoA(HRASCONN hrasconn, uint32_t rasprojection, void *lpprojection,
                                          uint32_t *lpcb)
{
    return Guarded([&]() -> uint32_t {
        if (!lpcb)
            return ERROR_INVALID_PARAMETER;
        if (rasprojection != RASP_PppIp)
            return ERROR_PROTOCOL_NOT_CONFIGURED;
        if (*lpcb < sizeof(RASPPPIPA) || !lpprojection) {
            *lpcb = sizeof(RASPPPIPA);
            return ERROR_BUFFER_TOO_SMALL;
        }
        auto *projection = static_cast<RASPPPIPA *>(lpprojection);
        if (projection->dwSize != sizeof(RASPPPIPA))
            return ERROR_INVALID_SIZE;
        const auto link = FindLink(hrasconn);
        if (!link)
            return ERROR_INVALID_HANDLE;
        std::string local, peer;
        if (const uint32_t error = InterfaceAddresses(link->interface, local, peer))
            return error;
        RASPPPIPA filled{};
        filled.dwSize = sizeof filled;
        CopyText(filled.szIpAddress, local);
        CopyText(filled.szServerIpAddress, peer);
        *projection = filled;
        *lpcb = sizeof filled;
        return 0;
    });
}

} // extern "C"
