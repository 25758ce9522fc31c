// libquavrel_emulated_drive.so, preloaded: the libc calls through which a program reaches a Linux
// sr device, answered for the placeholders QUAVREL_EMULATED_DRIVES names and passed on for every
// other path and descriptor.
//
// The placeholder is opened for real (so the descriptor is the program's own and close() works
// as ever) and remembered; stat() of it and fstat() of its descriptors report a block device
// (major 11, as sr devices are); read(), pread() and lseek() see the data tracks' user data; and
// ioctl() reaches the drive. The list is read again whenever the variable's text changes; a
// malformed one is reported once on stderr and emulates nothing. Descriptors duplicated with dup()
// or fcntl() are plain descriptors of the placeholder.

#include "cdrom_ioctls.h"
#include "drive_spec.h"
#include "emulated_drive.h"
#include "udev_events.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using emulated::EmulatedDrive;

template <typename Function> Function Next(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Calls made while the emulator works (libcdio reading an image, the udev seam) go straight to
// libc, so they cannot come back in.
thread_local int t_depth = 0;
struct Inside {
    Inside() { ++t_depth; }
    ~Inside() { --t_depth; }
    Inside(const Inside &) = delete;
    Inside &operator=(const Inside &) = delete;
};

std::string Normal(const char *path)
{
    std::error_code ec;
    fs::path p(path);
    if (p.is_relative())
        p = fs::current_path(ec) / p;
    return p.lexically_normal().string();
}

struct OpenFile {
    std::shared_ptr<EmulatedDrive> drive;
    int64_t position = 0;
};

class Registry {
  public:
    // Never destroyed: programs close their drives in exit handlers, after static destructors.
    static Registry &Instance()
    {
        static auto *registry = new Registry;
        return *registry;
    }

    std::recursive_mutex &Lock() { return lock_; }

    // The drive whose placeholder path is this, or nullptr. Caller holds the lock.
    std::shared_ptr<EmulatedDrive> DriveAt(const char *path)
    {
        Refresh();
        if (drives_.empty() || !path)
            return nullptr;
        const std::string normal = Normal(path);
        for (const auto &drive : drives_)
            if (drive->DevicePath() == normal)
                return drive;
        return nullptr;
    }

    OpenFile *File(int fd)
    {
        const auto it = files_.find(fd);
        return it == files_.end() ? nullptr : &it->second;
    }
    void Opened(int fd, std::shared_ptr<EmulatedDrive> drive) { files_[fd] = OpenFile{std::move(drive), 0}; }
    void Closed(int fd) { files_.erase(fd); }

  private:
    void Refresh()
    {
        const char *text = std::getenv("QUAVREL_EMULATED_DRIVES");
        const std::string current = text ? text : "";
        if (parsed_ && current == text_)
            return;
        parsed_ = true;
        text_ = current;
        drives_.clear();
        std::string error;
        const auto specs = emulated::ParseDriveSpecs(current, &error);
        if (!specs) {
            std::fprintf(stderr,
                         "libquavrel_emulated_drive: QUAVREL_EMULATED_DRIVES: %s; no drive emulated\n",
                         error.c_str());
            return;
        }
        int number = 0;
        for (const emulated::DriveSpec &spec : *specs) {
            auto drive = std::make_shared<EmulatedDrive>(spec, Normal(spec.device.c_str()), number++);
            drive->SetMediumNotifier(emulated::SendMediumUevent);
            drives_.push_back(std::move(drive));
        }
    }

    std::recursive_mutex lock_;
    bool parsed_ = false;
    std::string text_;
    std::vector<std::shared_ptr<EmulatedDrive>> drives_;
    std::map<int, OpenFile> files_;
};

void AsBlockDevice(const EmulatedDrive &drive, struct stat *st)
{
    st->st_mode = S_IFBLK | (st->st_mode & 07777);
    st->st_rdev = makedev(11, static_cast<unsigned>(drive.Number()));
    st->st_size = 0;
    st->st_blksize = emulated::kDataBytes;
}

int OpenDrive(const std::shared_ptr<EmulatedDrive> &drive, const char *path, int flags)
{
    // Like an sr device: without O_NONBLOCK, opening a drive without a disc fails.
    if (!(flags & O_NONBLOCK) && !drive->MediumPresent()) {
        errno = ENOMEDIUM;
        return -1;
    }
    static auto realOpen = Next<int (*)(const char *, int, ...)>("open");
    const int fd = realOpen(path, O_RDONLY | (flags & O_CLOEXEC));
    if (fd >= 0)
        Registry::Instance().Opened(fd, drive);
    return fd;
}

// Open of path: the emulated drive's descriptor, or -2 when the path is not an emulated drive.
int MaybeOpen(const char *path, int flags)
{
    if (t_depth > 0)
        return -2;
    Inside inside;
    Registry &registry = Registry::Instance();
    std::lock_guard lock(registry.Lock());
    const std::shared_ptr<EmulatedDrive> drive = registry.DriveAt(path);
    return drive ? OpenDrive(drive, path, flags) : -2;
}

bool MaybeStat(const char *path, struct stat *st, int result)
{
    if (t_depth > 0 || result != 0)
        return false;
    Inside inside;
    Registry &registry = Registry::Instance();
    std::lock_guard lock(registry.Lock());
    if (const auto drive = registry.DriveAt(path)) {
        AsBlockDevice(*drive, st);
        return true;
    }
    return false;
}

template <typename Operation> bool WithFile(int fd, Operation operation)
{
    if (t_depth > 0)
        return false;
    Inside inside;
    Registry &registry = Registry::Instance();
    std::lock_guard lock(registry.Lock());
    OpenFile *file = registry.File(fd);
    if (!file)
        return false;
    operation(*file);
    return true;
}

ssize_t ReadAt(OpenFile &file, void *buffer, size_t count, int64_t offset)
{
    int error = 0;
    if (count == 0)
        return 0;
    if (!file.drive->ReadBlockDevice(offset, static_cast<uint8_t *>(buffer), count, error)) {
        errno = error;
        return -1;
    }
    return static_cast<ssize_t>(count);
}

// open()'s third argument is there only when a file may be created.
mode_t ModeOf(va_list &args, int flags)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

} // namespace

extern "C" {

#define EMULATED_EXPORT __attribute__((visibility("default")))

EMULATED_EXPORT int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(args, flags);
    va_end(args);
    if (const int fd = MaybeOpen(path, flags); fd != -2)
        return fd;
    static auto real = Next<int (*)(const char *, int, ...)>("open");
    return real(path, flags, mode);
}

EMULATED_EXPORT int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(args, flags);
    va_end(args);
    if (const int fd = MaybeOpen(path, flags); fd != -2)
        return fd;
    static auto real = Next<int (*)(const char *, int, ...)>("open64");
    return real(path, flags, mode);
}

EMULATED_EXPORT int __open_2(const char *path, int flags)
{
    return open(path, flags);
}

EMULATED_EXPORT int __open64_2(const char *path, int flags)
{
    return open64(path, flags);
}

EMULATED_EXPORT int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(args, flags);
    va_end(args);
    if (path[0] == '/' || dirfd == AT_FDCWD)
        if (const int fd = MaybeOpen(path, flags); fd != -2)
            return fd;
    static auto real = Next<int (*)(int, const char *, int, ...)>("openat");
    return real(dirfd, path, flags, mode);
}

EMULATED_EXPORT int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(args, flags);
    va_end(args);
    if (path[0] == '/' || dirfd == AT_FDCWD)
        if (const int fd = MaybeOpen(path, flags); fd != -2)
            return fd;
    static auto real = Next<int (*)(int, const char *, int, ...)>("openat64");
    return real(dirfd, path, flags, mode);
}

EMULATED_EXPORT int __openat_2(int dirfd, const char *path, int flags)
{
    return openat(dirfd, path, flags);
}

EMULATED_EXPORT int close(int fd)
{
    WithFile(fd, [fd](OpenFile &) { Registry::Instance().Closed(fd); });
    static auto real = Next<int (*)(int)>("close");
    return real(fd);
}

EMULATED_EXPORT int stat(const char *__restrict path, struct stat *__restrict st)
{
    static auto real = Next<int (*)(const char *, struct stat *)>("stat");
    const int result = real(path, st);
    MaybeStat(path, st, result);
    return result;
}

EMULATED_EXPORT int lstat(const char *__restrict path, struct stat *__restrict st)
{
    static auto real = Next<int (*)(const char *, struct stat *)>("lstat");
    const int result = real(path, st);
    MaybeStat(path, st, result);
    return result;
}

EMULATED_EXPORT int fstat(int fd, struct stat *st)
{
    static auto real = Next<int (*)(int, struct stat *)>("fstat");
    const int result = real(fd, st);
    if (result == 0)
        WithFile(fd, [st](OpenFile &file) { AsBlockDevice(*file.drive, st); });
    return result;
}

EMULATED_EXPORT int fstatat(int dirfd, const char *__restrict path, struct stat *__restrict st, int flags)
{
    static auto real = Next<int (*)(int, const char *, struct stat *, int)>("fstatat");
    const int result = real(dirfd, path, st, flags);
    if (path[0] == '/' || dirfd == AT_FDCWD)
        MaybeStat(path, st, result);
    return result;
}

// On x86-64 the 64-bit variants share the layout of struct stat.
static_assert(sizeof(struct stat) == sizeof(struct stat64));

EMULATED_EXPORT int stat64(const char *__restrict path, struct stat64 *__restrict st)
{
    return stat(path, reinterpret_cast<struct stat *>(st));
}

EMULATED_EXPORT int lstat64(const char *__restrict path, struct stat64 *__restrict st)
{
    return lstat(path, reinterpret_cast<struct stat *>(st));
}

EMULATED_EXPORT int fstat64(int fd, struct stat64 *st)
{
    return fstat(fd, reinterpret_cast<struct stat *>(st));
}

EMULATED_EXPORT int fstatat64(int dirfd, const char *__restrict path, struct stat64 *__restrict st, int flags)
{
    return fstatat(dirfd, path, reinterpret_cast<struct stat *>(st), flags);
}

// The entry points of programs built against glibc before 2.33.
EMULATED_EXPORT int __xstat(int, const char *path, struct stat *st)
{
    return stat(path, st);
}

EMULATED_EXPORT int __lxstat(int, const char *path, struct stat *st)
{
    return lstat(path, st);
}

EMULATED_EXPORT int __fxstat(int, int fd, struct stat *st)
{
    return fstat(fd, st);
}

EMULATED_EXPORT int __xstat64(int, const char *path, struct stat64 *st)
{
    return stat64(path, st);
}

EMULATED_EXPORT int __lxstat64(int, const char *path, struct stat64 *st)
{
    return lstat64(path, st);
}

EMULATED_EXPORT int __fxstat64(int, int fd, struct stat64 *st)
{
    return fstat64(fd, st);
}

EMULATED_EXPORT ssize_t read(int fd, void *buffer, size_t count)
{
    ssize_t result = 0;
    if (WithFile(fd, [&](OpenFile &file) {
            result = ReadAt(file, buffer, count, file.position);
            if (result > 0)
                file.position += result;
        }))
        return result;
    static auto real = Next<ssize_t (*)(int, void *, size_t)>("read");
    return real(fd, buffer, count);
}

EMULATED_EXPORT ssize_t pread(int fd, void *buffer, size_t count, off_t offset)
{
    ssize_t result = 0;
    if (WithFile(fd, [&](OpenFile &file) { result = ReadAt(file, buffer, count, offset); }))
        return result;
    static auto real = Next<ssize_t (*)(int, void *, size_t, off_t)>("pread");
    return real(fd, buffer, count, offset);
}

EMULATED_EXPORT ssize_t pread64(int fd, void *buffer, size_t count, off64_t offset)
{
    return pread(fd, buffer, count, offset);
}

EMULATED_EXPORT off_t lseek(int fd, off_t offset, int whence)
{
    off_t result = 0;
    if (WithFile(fd, [&](OpenFile &file) {
            const emulated::EmulatedDisc *disc = file.drive->Disc();
            const int64_t size = disc ? int64_t{disc->LeadOut()} * emulated::kDataBytes : 0;
            const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file.position : size;
            if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || base + offset < 0) {
                errno = EINVAL;
                result = -1;
                return;
            }
            result = file.position = base + offset;
        }))
        return result;
    static auto real = Next<off_t (*)(int, off_t, int)>("lseek");
    return real(fd, offset, whence);
}

EMULATED_EXPORT off64_t lseek64(int fd, off64_t offset, int whence)
{
    return lseek(fd, offset, whence);
}

EMULATED_EXPORT int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    int result = 0;
    if (WithFile(fd, [&](OpenFile &file) {
            int error = 0;
            result = emulated::DriveIoctl(*file.drive, request, argument, &error);
            if (result < 0)
                errno = error;
        }))
        return result;
    static auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, argument);
}

} // extern "C"
