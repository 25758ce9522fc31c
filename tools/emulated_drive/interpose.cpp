// libquavrel_emulated_drive.so, preloaded: the libc calls through which a program reaches a Linux
// sr device, answered for the placeholders QUAVREL_EMULATED_DRIVES names and passed on for every
// other path and descriptor.
//
// The placeholder is opened for real (so the descriptor is the program's own and close() works
// as ever) and remembered; stat() of it and fstat() of its descriptors report a block device
// (major 11, as sr devices are); read(), pread() and lseek() see the data tracks' user data; and
// ioctl() reaches the drive. Copies made with dup(), dup2(), dup3() and fcntl(F_DUPFD...) are the
// same open file (one position), as the kernel has it. The list is read again whenever the
// variable's text changes; a malformed one is reported once on stderr and emulates nothing.
//
// Every program's read() and ioctl() come through here, a window's display connection among them:
// a descriptor that is not ours costs one atomic load and takes no lock, and no lock is held while
// a drive's command takes its time (the speed model, the slow fault) nor across any other I/O.

#include "cdrom_ioctls.h"
#include "drive_spec.h"
#include "emulated_drive.h"
#include "udev_events.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

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

// An open file of a placeholder: what every descriptor copied from one open() shares.
struct OpenFile {
    std::shared_ptr<EmulatedDrive> drive;
    std::atomic<int64_t> position{0};
};

// Descriptor -> open file. Find() of a descriptor that is not ours reads one atomic flag; the lock
// guards the map only while an entry is copied, added or removed.
class Descriptors {
  public:
    std::shared_ptr<OpenFile> Find(int fd)
    {
        if (!Marked(fd))
            return nullptr;
        std::lock_guard lock(lock_);
        const auto it = files_.find(fd);
        return it == files_.end() ? nullptr : it->second;
    }

    void Set(int fd, std::shared_ptr<OpenFile> file)
    {
        if (fd < 0)
            return;
        std::lock_guard lock(lock_);
        const bool added = files_.insert_or_assign(fd, std::move(file)).second;
        if (fd < kFlagged)
            flags_[static_cast<size_t>(fd)].store(true, std::memory_order_release);
        else if (added)
            high_.fetch_add(1, std::memory_order_release);
    }

    // The descriptor is closed or now names something else.
    void Forget(int fd)
    {
        if (!Marked(fd))
            return;
        std::lock_guard lock(lock_);
        if (files_.erase(fd) == 0)
            return;
        if (fd < kFlagged)
            flags_[static_cast<size_t>(fd)].store(false, std::memory_order_release);
        else
            high_.fetch_sub(1, std::memory_order_release);
    }

    void ForgetRange(unsigned first, unsigned last)
    {
        std::lock_guard lock(lock_);
        for (auto it = files_.begin(); it != files_.end();) {
            const auto fd = static_cast<unsigned>(it->first);
            if (fd < first || fd > last) {
                ++it;
                continue;
            }
            if (fd < kFlagged)
                flags_[fd].store(false, std::memory_order_release);
            else
                high_.fetch_sub(1, std::memory_order_release);
            it = files_.erase(it);
        }
    }

  private:
    static constexpr int kFlagged = 1 << 16;

    bool Marked(int fd) const
    {
        if (fd < 0)
            return false;
        if (fd < kFlagged)
            return flags_[static_cast<size_t>(fd)].load(std::memory_order_acquire);
        return high_.load(std::memory_order_acquire) > 0;
    }

    std::array<std::atomic<bool>, kFlagged> flags_{};
    std::atomic<int> high_{0}; // entries at or above kFlagged
    std::mutex lock_;
    std::unordered_map<int, std::shared_ptr<OpenFile>> files_;
};

class Registry {
  public:
    // Never destroyed: programs close their drives in exit handlers, after static destructors.
    static Registry &Instance()
    {
        static auto *registry = new Registry;
        return *registry;
    }

    Descriptors &Files() { return files_; }

    // The drive whose placeholder path is this, or nullptr. Call Inside.
    std::shared_ptr<EmulatedDrive> DriveAt(const char *path)
    {
        const std::vector<std::shared_ptr<EmulatedDrive>> drives = Current();
        if (drives.empty() || !path)
            return nullptr;
        const std::string normal = Normal(path);
        for (const auto &drive : drives)
            if (drive->DevicePath() == normal)
                return drive;
        return nullptr;
    }

  private:
    // The drives of the variable's current text. A new text's drives are built (their images
    // opened) outside the lock.
    std::vector<std::shared_ptr<EmulatedDrive>> Current()
    {
        const char *text = std::getenv("QUAVREL_EMULATED_DRIVES");
        const std::string current = text ? text : "";
        {
            std::lock_guard lock(lock_);
            if (parsed_ && current == text_)
                return drives_;
        }
        std::vector<std::shared_ptr<EmulatedDrive>> drives;
        std::string error;
        const auto specs = emulated::ParseDriveSpecs(current, &error);
        if (!specs) {
            std::fprintf(stderr,
                         "libquavrel_emulated_drive: QUAVREL_EMULATED_DRIVES: %s; no drive emulated\n",
                         error.c_str());
        } else {
            int number = 0;
            for (const emulated::DriveSpec &spec : *specs) {
                auto drive = std::make_shared<EmulatedDrive>(spec, Normal(spec.device.c_str()), number++);
                drive->SetMediumNotifier(emulated::SendMediumUevent);
                drives.push_back(std::move(drive));
            }
        }
        std::lock_guard lock(lock_);
        if (!parsed_ || current != text_) {
            parsed_ = true;
            text_ = current;
            drives_ = std::move(drives);
        }
        return drives_;
    }

    std::mutex lock_;
    bool parsed_ = false;
    std::string text_;
    std::vector<std::shared_ptr<EmulatedDrive>> drives_;
    Descriptors files_;
};

Descriptors &Files()
{
    return Registry::Instance().Files();
}

void AsBlockDevice(const EmulatedDrive &drive, struct stat *st)
{
    st->st_mode = S_IFBLK | (st->st_mode & 07777);
    st->st_rdev = makedev(11, static_cast<unsigned>(drive.Number()));
    st->st_size = 0;
    st->st_blksize = emulated::kDataBytes;
}

int OpenDrive(const std::shared_ptr<EmulatedDrive> &drive, const char *path, int flags)
{
    {
        // Like an sr device: without O_NONBLOCK, opening a drive without a disc fails.
        std::lock_guard lock(drive->Lock());
        if (!(flags & O_NONBLOCK) && !drive->MediumPresent()) {
            errno = ENOMEDIUM;
            return -1;
        }
    }
    static auto realOpen = Next<int (*)(const char *, int, ...)>("open");
    const int fd = realOpen(path, O_RDONLY | (flags & O_CLOEXEC));
    if (fd >= 0) {
        auto file = std::make_shared<OpenFile>();
        file->drive = drive;
        Files().Set(fd, std::move(file));
    }
    return fd;
}

// Open of path: the emulated drive's descriptor, or -2 when the path is not an emulated drive.
int MaybeOpen(const char *path, int flags)
{
    if (t_depth > 0)
        return -2;
    Inside inside;
    const std::shared_ptr<EmulatedDrive> drive = Registry::Instance().DriveAt(path);
    return drive ? OpenDrive(drive, path, flags) : -2;
}

// A descriptor the kernel handed out for something else is no longer ours (a close we did not
// see, e.g. by a raw system call).
int Opened(int fd)
{
    Files().Forget(fd);
    return fd;
}

bool MaybeStat(const char *path, struct stat *st, int result)
{
    if (t_depth > 0 || result != 0)
        return false;
    Inside inside;
    if (const auto drive = Registry::Instance().DriveAt(path)) {
        AsBlockDevice(*drive, st);
        return true;
    }
    return false;
}

// Runs operation(file, drive) with the drive's lock held, then sleeps, without any lock, until
// the medium time of what it read has passed. false when fd is not ours.
template <typename Operation> bool WithDrive(int fd, Operation operation)
{
    if (t_depth > 0)
        return false;
    const std::shared_ptr<OpenFile> file = Files().Find(fd);
    if (!file)
        return false;
    Inside inside;
    EmulatedDrive &drive = *file->drive;
    std::chrono::steady_clock::time_point readyAt;
    const int before = errno;
    int error = 0;
    {
        std::lock_guard lock(drive.Lock());
        errno = 0;
        operation(*file, drive);
        error = errno;
        readyAt = drive.TakeReadyAt();
    }
    std::this_thread::sleep_until(readyAt);
    errno = error != 0 ? error : before;
    return true;
}

ssize_t ReadAt(EmulatedDrive &drive, void *buffer, size_t count, int64_t offset)
{
    int error = 0;
    if (count == 0)
        return 0;
    if (!drive.ReadBlockDevice(offset, static_cast<uint8_t *>(buffer), count, error)) {
        errno = error;
        return -1;
    }
    return static_cast<ssize_t>(count);
}

// After a real dup of from into to: to is a copy of from's open file, or nothing of ours.
int Copied(int from, int to)
{
    if (to < 0 || to == from)
        return to;
    Files().Forget(to);
    if (std::shared_ptr<OpenFile> file = Files().Find(from))
        Files().Set(to, std::move(file));
    return to;
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
    return Opened(real(path, flags, mode));
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
    return Opened(real(path, flags, mode));
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
    return Opened(real(dirfd, path, flags, mode));
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
    return Opened(real(dirfd, path, flags, mode));
}

EMULATED_EXPORT int __openat_2(int dirfd, const char *path, int flags)
{
    return openat(dirfd, path, flags);
}

EMULATED_EXPORT int close(int fd)
{
    Files().Forget(fd);
    static auto real = Next<int (*)(int)>("close");
    return real(fd);
}

EMULATED_EXPORT int close_range(unsigned first, unsigned last, int flags)
{
    static auto real = Next<int (*)(unsigned, unsigned, int)>("close_range");
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    const int result = real(first, last, flags);
    if (result == 0 && !(flags & CLOSE_RANGE_CLOEXEC))
        Files().ForgetRange(first, last);
    return result;
}

EMULATED_EXPORT void closefrom(int lowest)
{
    static auto real = Next<void (*)(int)>("closefrom");
    Files().ForgetRange(static_cast<unsigned>(std::max(lowest, 0)), ~0u);
    if (real)
        real(lowest);
}

EMULATED_EXPORT int dup(int fd)
{
    static auto real = Next<int (*)(int)>("dup");
    return Copied(fd, real(fd));
}

EMULATED_EXPORT int dup2(int fd, int to)
{
    static auto real = Next<int (*)(int, int)>("dup2");
    return Copied(fd, real(fd, to));
}

EMULATED_EXPORT int dup3(int fd, int to, int flags)
{
    static auto real = Next<int (*)(int, int, int)>("dup3");
    return Copied(fd, real(fd, to, flags));
}

namespace {

// fcntl's third argument is an int or a pointer, whichever the command takes: passed on whole.
int Fcntl(int (*real)(int, int, ...), int fd, int command, va_list &args)
{
    void *argument = va_arg(args, void *);
    const int result = real(fd, command, argument);
    if (command == F_DUPFD || command == F_DUPFD_CLOEXEC)
        return Copied(fd, result);
    return result;
}

} // namespace

EMULATED_EXPORT int fcntl(int fd, int command, ...)
{
    static auto real = Next<int (*)(int, int, ...)>("fcntl");
    va_list args;
    va_start(args, command);
    const int result = Fcntl(real, fd, command, args);
    va_end(args);
    return result;
}

EMULATED_EXPORT int fcntl64(int fd, int command, ...)
{
    static auto real = Next<int (*)(int, int, ...)>("fcntl64");
    va_list args;
    va_start(args, command);
    const int result = Fcntl(real ? real : Next<int (*)(int, int, ...)>("fcntl"), fd, command, args);
    va_end(args);
    return result;
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
        if (const std::shared_ptr<OpenFile> file = Files().Find(fd))
            AsBlockDevice(*file->drive, st);
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
    if (WithDrive(fd, [&](OpenFile &file, EmulatedDrive &drive) {
            result = ReadAt(drive, buffer, count, file.position);
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
    if (WithDrive(fd,
                  [&](OpenFile &, EmulatedDrive &drive) { result = ReadAt(drive, buffer, count, offset); }))
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
    if (WithDrive(fd, [&](OpenFile &file, EmulatedDrive &drive) {
            const emulated::EmulatedDisc *disc = drive.Disc();
            const int64_t size = disc ? int64_t{disc->LeadOut()} * emulated::kDataBytes : 0;
            const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file.position.load() : size;
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
    if (WithDrive(fd, [&](OpenFile &, EmulatedDrive &drive) {
            int error = 0;
            result = emulated::DriveIoctl(drive, request, argument, &error);
            if (result < 0)
                errno = error;
        }))
        return result;
    static auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, argument);
}

// The test seam of a broken image: why the image in this emulated drive cannot serve as a disc
// (a real drive can only say that it reads none), or nullptr. The text stays valid until the
// thread's next call. Found by the drive catalogue with dlsym, so only where this is preloaded.
EMULATED_EXPORT const char *quavrel_emulated_medium_problem(const char *device)
{
    if (t_depth > 0)
        return nullptr;
    thread_local std::string problem;
    Inside inside;
    const std::shared_ptr<EmulatedDrive> drive = Registry::Instance().DriveAt(device);
    if (!drive)
        return nullptr;
    std::lock_guard lock(drive->Lock());
    problem = drive->TrayOpen() ? std::string() : drive->MediumProblem();
    return problem.empty() ? nullptr : problem.c_str();
}

} // extern "C"
