#include "quavrel/window/device_notices.h"

#include "platform/drives/drive_catalogue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <libudev.h>
#include <map>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
    if (seamSocket_.IsOpen())
        unlink(seamPath_.c_str());
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
    if (const char *seam = std::getenv("QUAVREL_UDEV_EVENTS"); seam && *seam) {
        WatchSeam(seam);
        return;
    }
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

void TDeviceNotices::WatchSeam(const std::string &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    platform::FileDescriptor receiver(socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    unlink(path.c_str());
    if (!receiver.IsOpen() ||
        bind(receiver.Get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return;
    seamSocket_ = std::move(receiver);
    seamPath_ = path;
    notifier_ = new QSocketNotifier(seamSocket_.Get(), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &TDeviceNotices::ReadSeamEvent);
}

void TDeviceNotices::UdevEvent(const char *action,
                               const std::function<const char *(const char *property)> &property)
{
    if (!Is(action, "change"))
        return;
    if (const auto notice = MediumNoticeOfUdevChange(property))
        Post(*notice);
}

void TDeviceNotices::ReadUdevEvent()
{
    udev_device *device = udev_monitor_receive_device(monitor_);
    if (!device)
        return;
    UdevEvent(udev_device_get_action(device),
              [device](const char *name) { return udev_device_get_property_value(device, name); });
    udev_device_unref(device);
}

void TDeviceNotices::ReadSeamEvent()
{
    char buffer[4096];
    const ssize_t got = recv(seamSocket_.Get(), buffer, sizeof buffer, 0);
    if (got <= 0)
        return;
    // "ACTION@DEVPATH", then KEY=VALUE, each ended by NUL.
    std::map<std::string, std::string> properties;
    const std::string_view message(buffer, static_cast<size_t>(got));
    for (size_t begin = message.find('\0'); begin != std::string_view::npos && begin + 1 < message.size();) {
        const size_t end = std::min(message.find('\0', begin + 1), message.size());
        const std::string_view item = message.substr(begin + 1, end - begin - 1);
        if (const size_t equals = item.find('='); equals != std::string_view::npos)
            properties[std::string(item.substr(0, equals))] = std::string(item.substr(equals + 1));
        begin = end;
    }
    auto property = [&properties](const char *name) -> const char * {
        const auto it = properties.find(name);
        return it == properties.end() ? nullptr : it->second.c_str();
    };
    UdevEvent(property("ACTION"), property);
}
