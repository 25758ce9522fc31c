#pragma once
// TDialUp: the dial-up component over the Remote Access Service. It lists the phone-book entries,
// dials one synchronously or asynchronously, lists the active connections with a status text in
// one of three languages, hangs connections up and reads the IPv4 addresses of its connection.
//
// Every operation runs on the thread that owns the component (the user-interface thread) and
// raises EDialUpError when the service cannot be bound. The notices of an asynchronous dial arrive
// on the service's own thread; they are handed over one at a time and raised as OnAsyncEvent on
// the component's thread, in order, none lost. Only one asynchronous dial at a time is followed
// across all instances: the last one started.

#include "platform/ras/ras.h"
#include "quavrel/dialup/dial_up_types.h"

#include <cstdint>
#include <functional>

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

using TEntryNameField = char[RAS_MaxEntryName + 1];
using TDeviceTypeField = char[RAS_MaxDeviceType + 1];
using TDeviceNameField = char[RAS_MaxDeviceName + 1];
using TRasConnStatusA = RASCONNSTATUSA;

using TStandartEv = std::function<void(QObject *Sender)>;
using TOnEntryGet = std::function<void(QObject *Sender, const TEntryNameField &EntryName)>;
using TOnNotConn = std::function<void(QObject *Sender, int32_t ErrorCode, const QString &ErrorMessage)>;
using TOnError = std::function<void(QObject *Sender, int32_t ErrorCode, const QString &ErrorMessage)>;
using TOnAsyncEvent =
    std::function<void(QObject *Sender, int32_t State, int32_t Error, const QString &MessageText)>;
using TOnActiveConn =
    std::function<void(QObject *Sender, HRASCONN Handle, const TRasConnStatusA &Status,
                       const QString &StatusString, const TEntryNameField &EntryName,
                       const TDeviceTypeField &DeviceType, const TDeviceNameField &DeviceName)>;

class TDialUp : public QObject {
  public:
    explicit TDialUp(QObject *Owner = nullptr);
    // Does not hang up.
    ~TDialUp() override;

    TDialMode DialMode() const { return DialMode_; }
    void SetDialMode(TDialMode value) { DialMode_ = value; }
    // Phone-book entry names, refilled by GetEntries.
    const QStringList &Entries() const { return Entries_; }
    // The phone-book entry Dial uses.
    const QString &Entry() const { return Entry_; }
    void SetEntry(const QString &value) { Entry_ = value; }
    TLanguage Language() const { return Language_; }
    void SetLanguage(TLanguage value) { Language_ = value; }
    // Addresses of a connection, set by GetProjection.
    const QString &ServerIP() const { return ServerIP_; }
    const QString &ClientIP() const { return ClientIP_; }
    // Dial-up adapters keeping a connect-speed statistic: none on this platform.
    const QStringList &DUNA() const { return DUNA_; }
    // The connection of the last Dial; 0 before any.
    HRASCONN ConnHandle() const { return ConnHandle_; }

    TOnEntryGet OnEntryGet;
    TStandartEv OnDialing;
    TStandartEv OnConnect;
    TOnNotConn OnNotConnected;
    TOnAsyncEvent OnAsyncEvent;
    TOnError OnError;
    TOnActiveConn OnActiveConnection;

    // Each returns 0 or a RAS error code.
    uint32_t GetEntries();
    uint32_t GetConnections();
    uint32_t Dial();
    uint32_t HangUp();
    // Returns once the connection is gone, processing pending events meanwhile.
    uint32_t HangUpConnection(HRASCONN handle);
    uint32_t GetProjection(HRASCONN handle);
    // Refills DUNA where the platform keeps those statistics; false (DUNA untouched) here.
    bool ReadDUNA();

    // The text of a dial state in Language, or the service's text of error when it is not 0.
    QString StatusText(int32_t State, int32_t Error);

  protected:
    // Raises the waiting asynchronous notice; runs on the component's thread.
    virtual void TimerTick();

  private:
    static void RasDialCallback(uint32_t message, RASCONNSTATE state, uint32_t error);
    QString ErrorString(uint32_t error);

    TDialMode DialMode_ = dmAsync;
    QStringList Entries_;
    QString Entry_;
    TLanguage Language_ = France;
    QString ServerIP_;
    QString ClientIP_;
    QStringList DUNA_;

    HRASCONN ConnHandle_ = 0;
    QTimer *Timer = nullptr;
    // The one-slot mailbox, guarded by the mailbox lock of dial_up.cpp.
    bool EventPending = false;
    int32_t EventState = 0;
    int32_t EventError = 0;
};
