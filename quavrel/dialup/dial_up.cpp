#include "quavrel/dialup/dial_up.h"

#include "quavrel/dialup/ras_binding.h"
#include "quavrel/dialup/status_texts.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

namespace {

constexpr uint32_t kRoomFor = 100;

// The mailbox between the service's notifier thread and the component's thread. The notifier
// waits while the slot is full, so a burst of notices is neither lost nor overwritten.
std::mutex MailboxLock;
std::condition_variable SlotFreed;
// The component that started the last asynchronous dial: the notifier has no context argument.
TDialUp *CurrentDialUp = nullptr;

template <typename Fn> Fn RasProc(const char *name)
{
    return reinterpret_cast<Fn>(RasBinding::Shared().GetRasProc(name));
}

template <size_t N> QString FieldText(const char (&field)[N])
{
    return QString::fromLocal8Bit(field, static_cast<qsizetype>(strnlen(field, N)));
}

} // namespace

TDialUp::TDialUp(QObject *Owner) : QObject(Owner), Timer(new QTimer(this))
{
    Timer->setInterval(1);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTick(); });
    ReadDUNA();
}

TDialUp::~TDialUp()
{
    // A notifier waiting for the slot must not wait for a component that is gone.
    std::lock_guard lock(MailboxLock);
    if (CurrentDialUp == this)
        CurrentDialUp = nullptr;
    SlotFreed.notify_all();
}

QString TDialUp::ErrorString(uint32_t error)
{
    char text[100] = {};
    RasProc<decltype(&RasGetErrorStringA)>("RasGetErrorStringA")(error, text, sizeof text);
    text[sizeof text - 1] = '\0';
    return QString::fromLocal8Bit(text);
}

QString TDialUp::StatusText(int32_t State, int32_t Error)
{
    if (Error != 0)
        return ErrorString(static_cast<uint32_t>(Error));
    return StateText(Language_, State);
}

uint32_t TDialUp::GetEntries()
{
    Entries_.clear();
    const auto enumEntries = RasProc<decltype(&RasEnumEntriesA)>("RasEnumEntriesA");
    std::vector<RASENTRYNAMEA> names(kRoomFor);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    uint32_t size = sizeof(RASENTRYNAMEA) * kRoomFor;
    uint32_t count = 0;
    if (const uint32_t result = enumEntries(nullptr, nullptr, names.data(), &size, &count))
        return result;
    for (uint32_t i = 0; i < std::min(count, kRoomFor); ++i) {
        auto &name = names[i].szEntryName;
        name[sizeof name - 1] = '\0';
        Entries_.append(FieldText(name));
        if (OnEntryGet)
            OnEntryGet(this, name);
    }
    return 0;
}

uint32_t TDialUp::GetConnections()
{
    const auto enumConnections = RasProc<decltype(&RasEnumConnectionsA)>("RasEnumConnectionsA");
    std::vector<RASCONNA> connections(kRoomFor);
    connections[0].dwSize = sizeof(RASCONNA);
    uint32_t size = sizeof(RASCONNA) * kRoomFor;
    uint32_t count = 0;
    if (const uint32_t result = enumConnections(connections.data(), &size, &count))
        return result;
    for (uint32_t i = 0; i < std::min(count, kRoomFor); ++i) {
        RASCONNA &connection = connections[i];
        connection.szEntryName[RAS_MaxEntryName] = '\0';
        connection.szDeviceType[RAS_MaxDeviceType] = '\0';
        connection.szDeviceName[RAS_MaxDeviceName] = '\0';
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        const auto getStatus = RasProc<decltype(&RasGetConnectStatusA)>("RasGetConnectStatusA");
        // A connection that ended since the enumeration is no longer active.
        if (getStatus(connection.hrasconn, &status) == ERROR_INVALID_HANDLE)
            continue;
        const QString text = StatusText(status.rasconnstate, static_cast<int32_t>(status.dwError));
        if (OnActiveConnection)
            OnActiveConnection(this, connection.hrasconn, status, text, connection.szEntryName,
                               connection.szDeviceType, connection.szDeviceName);
    }
    return 0;
}

uint32_t TDialUp::Dial()
{
    HangUp();

    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    const QByteArray name = Entry_.toLocal8Bit();
    uint32_t result = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    // A name the record cannot hold whole would be cut into another entry's name.
    if (name.size() <= RAS_MaxEntryName && !name.contains('\0')) {
        std::memcpy(params.szEntryName, name.constData(), static_cast<size_t>(name.size()));
        int32_t hasPassword = 0;
        result = RasProc<decltype(&RasGetEntryDialParamsA)>("RasGetEntryDialParamsA")(nullptr, &params,
                                                                                      &hasPassword);
    }
    if (result != 0) {
        if (OnError)
            OnError(this, static_cast<int32_t>(result), QStringLiteral("GetEntryDialParams failed"));
        return result;
    }

    ConnHandle_ = 0;
    if (DialMode_ == dmSync) {
        if (OnDialing)
            OnDialing(this);
        result =
            RasProc<decltype(&RasDialA)>("RasDialA")(nullptr, nullptr, &params, 0, nullptr, &ConnHandle_);
        if (result != 0) {
            if (ConnHandle_ != 0)
                HangUpConnection(ConnHandle_);
            const QString text = ErrorString(result);
            if (OnNotConnected)
                OnNotConnected(this, static_cast<int32_t>(result), text);
        } else if (OnConnect) {
            OnConnect(this);
        }
        return result;
    }

    {
        std::lock_guard lock(MailboxLock);
        CurrentDialUp = this;
    }
    if (OnDialing)
        OnDialing(this);
    result = RasProc<decltype(&RasDialA)>("RasDialA")(
        nullptr, nullptr, &params, 0, reinterpret_cast<void *>(&TDialUp::RasDialCallback), &ConnHandle_);
    if (result != 0) {
        const QString text = ErrorString(result);
        if (OnError)
            OnError(this, static_cast<int32_t>(result), text);
    }
    return result;
}

uint32_t TDialUp::HangUp()
{
    return HangUpConnection(ConnHandle_);
}

uint32_t TDialUp::HangUpConnection(HRASCONN handle)
{
    const uint32_t result = RasProc<decltype(&RasHangUpA)>("RasHangUpA")(handle);
    if (result != 0)
        return result;
    // The link takes a moment to close. Any answer but "still there" ends the wait, so that a
    // failing status call cannot hold the program for ever.
    for (;;) {
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        if (RasProc<decltype(&RasGetConnectStatusA)>("RasGetConnectStatusA")(handle, &status) != 0)
            break;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return result;
}

uint32_t TDialUp::GetProjection(HRASCONN handle)
{
    ClientIP_.clear();
    ServerIP_.clear();
    if (handle == 0)
        return 0;
    RASPPPIPA projection{};
    projection.dwSize = sizeof projection;
    uint32_t size = sizeof projection;
    const uint32_t result = RasProc<decltype(&RasGetProjectionInfoA)>("RasGetProjectionInfoA")(
        handle, RASP_PppIp, &projection, &size);
    if (result == 0) {
        ClientIP_ = FieldText(projection.szIpAddress);
        ServerIP_ = FieldText(projection.szServerIpAddress);
    }
    return result;
}

bool TDialUp::ReadDUNA()
{
    // Only the Windows 95/98/ME registry keeps these statistics.
    return false;
}

void TDialUp::RasDialCallback(uint32_t, RASCONNSTATE state, uint32_t error)
{
    std::unique_lock lock(MailboxLock);
    SlotFreed.wait(lock, [] { return !CurrentDialUp || !CurrentDialUp->EventPending; });
    TDialUp *dialUp = CurrentDialUp;
    if (!dialUp)
        return;
    dialUp->EventPending = true;
    dialUp->EventState = state;
    dialUp->EventError = static_cast<int32_t>(error);
    // Timers belong to their thread: ask the component's thread to start it. Posted under the
    // lock, so the component (whose destructor takes it) is still alive.
    QTimer *timer = dialUp->Timer;
    QMetaObject::invokeMethod(
        timer, [timer] { timer->start(); }, Qt::QueuedConnection);
}

void TDialUp::TimerTick()
{
    Timer->stop();
    int32_t state = 0;
    int32_t error = 0;
    {
        std::lock_guard lock(MailboxLock);
        if (!EventPending)
            return;
        state = EventState;
        error = EventError;
    }
    // The slot is freed once the notice has been raised, even if raising it throws, so that the
    // notifier never waits for ever.
    struct FreeSlot {
        TDialUp *dialUp;
        ~FreeSlot()
        {
            std::lock_guard lock(MailboxLock);
            dialUp->EventPending = false;
            SlotFreed.notify_all();
        }
    } freeSlot{this};
    const QString text = StatusText(state, error);
    if (OnAsyncEvent)
        OnAsyncEvent(this, state, error, text);
}
