#include "device_notices.h"

#include "drive_catalogue.h"

#include <cstring>
#include <libudev.h>

#include <QSocketNotifier>

namespace {

bool Is(const char *value, const char *expected)
{
    return value && std::strcmp(value, expected) == 0;
}

} // namespace

std::optional<MediumNotice>
MediumNoticeOfUdevChange(const std::function<const char *(const char *property)> &property)
{
    if (!Is(property("ID_CDROM"), "1") || !Is(property("DISK_MEDIA_CHANGE"), "1"))
        return std::nullopt;
    return Is(property("ID_CDROM_MEDIA"), "1") ? MediumNotice::Arrived : MediumNotice::Removed;
}

TDeviceNotices::TDeviceNotices(Handler handler, QObject *parent)
    : QObject(parent), handler_(std::move(handler))
{
    listenerId_ = drives::AddMediumListener(
        [this](size_t, bool arrived) { Post(arrived ? MediumNotice::Arrived : MediumNotice::Removed); });
    WatchRealDrives();
}

TDeviceNotices::~TDeviceNotices()
{
    drives::RemoveMediumListener(listenerId_);
    delete notifier_;
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

void TDeviceNotices::Post(MediumNotice notice)
{
    QMetaObject::invokeMethod(
        this, [this, notice] { handler_(notice); }, Qt::QueuedConnection);
}

// Without udev (a container, a sandbox) real drives simply send no notices.
void TDeviceNotices::WatchRealDrives()
{
    udev_ = udev_new();
    if (!udev_)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", "disk") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return;
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &TDeviceNotices::ReadUdevEvent);
}

void TDeviceNotices::ReadUdevEvent()
{
    udev_device *device = udev_monitor_receive_device(monitor_);
    if (!device)
        return;
    if (Is(udev_device_get_action(device), "change")) {
        const auto notice = MediumNoticeOfUdevChange(
            [device](const char *name) { return udev_device_get_property_value(device, name); });
        if (notice)
            Post(*notice);
    }
    udev_device_unref(device);
}
