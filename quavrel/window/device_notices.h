#pragma once
// "Medium arrived" / "medium removed" for every drive, handed to the UI thread.
//
// Virtual drives tell the drive catalogue's listener, inside the tray operation itself; real drives
// tell udev (a block disk whose media changed). Either way the notice is queued, so the window
// handles it after the current handler returns, the way a window message would arrive.
//
// When QUAVREL_UDEV_EVENTS names a path, udev's events are read from a Unix datagram socket bound
// there instead of udev's netlink monitor (a test seam, as sending to udev needs the system's udev):
// each datagram is one event in the kernel's uevent form, "ACTION@DEVPATH" followed by
// NUL-terminated KEY=VALUE properties.

#include <file_descriptor.h>
#include <functional>
#include <optional>
#include <string>

#include <QObject>

class QSocketNotifier;
struct udev;
struct udev_monitor;

enum class MediumNotice { Arrived, Removed };

// What a udev "change" event of a block disk says, given its properties (a missing property reads
// as nullptr): nothing unless it is an optical drive whose media changed.
std::optional<MediumNotice>
MediumNoticeOfUdevChange(const std::function<const char *(const char *property)> &property);

class TDeviceNotices : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(MediumNotice)>;
    explicit TDeviceNotices(Handler handler, QObject *parent = nullptr);
    ~TDeviceNotices() override;
    TDeviceNotices(const TDeviceNotices &) = delete;
    TDeviceNotices &operator=(const TDeviceNotices &) = delete;

    // Queues a notice for the UI thread; safe from any thread.
    void Post(MediumNotice notice);

  private:
    void WatchRealDrives();
    void WatchSeam(const std::string &path);
    void ReadUdevEvent();
    void ReadSeamEvent();
    void UdevEvent(const char *action, const std::function<const char *(const char *property)> &property);

    Handler handler_;
    int listenerId_ = 0;
    platform::FileDescriptor seamSocket_;
    std::string seamPath_;
    udev *udev_ = nullptr;
    udev_monitor *monitor_ = nullptr;
    QSocketNotifier *notifier_ = nullptr;
};
