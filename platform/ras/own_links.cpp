#include "own_links.h"

#include "phone_book.h"

#include <cstdlib>
#include <fcntl.h>
#include <file_descriptor.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace ras {

struct OwnLinks::Link {
    pid_t pid = 0;
    std::string entry;
    std::string peerDevice;
    platform::FileDescriptor logFile; // pppd's output, a memory file
    off_t logRead = 0;
    PppdProgress progress;
    bool following = true;
    bool exited = false;
    int waitStatus = 0;

    Link() = default;
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;
};

namespace {

// posix_spawn's attribute and file-action objects, released on every path.
struct SpawnSetup {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    SpawnSetup()
    {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;
};

pid_t SpawnPppd(const std::string &entry, int logFd)
{
    const char *program = std::getenv("QUAVREL_PPPD");
    if (!program || !*program)
        program = "/usr/sbin/pppd";

    SpawnSetup setup;
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    // A session of its own: the link must not end with the program's terminal or process group.
    posix_spawnattr_setflags(&setup.attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, logFd, 1);
    posix_spawn_file_actions_adddup2(&setup.actions, logFd, 2);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);

    std::string call = "call", detach = "nodetach", name = entry, path = program;
    char *argv[] = {path.data(), call.data(), name.data(), detach.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, &setup.actions, &setup.attr, argv, environ) != 0)
        return 0;
    return pid;
}

} // namespace

OwnLinks &OwnLinks::Instance()
{
    // Never destroyed: a dial's notifier thread may still poll it while the program exits.
    static auto *links = new OwnLinks;
    return *links;
}

uint32_t OwnLinks::Start(const std::string &peersDir, const std::string &entry, HRASCONN &handle)
{
    platform::FileDescriptor logFile(memfd_create("pppd-log", MFD_CLOEXEC));
    if (!logFile.IsOpen())
        return ERROR_NOT_ENOUGH_MEMORY;
    const pid_t pid = SpawnPppd(entry, logFile.Get());
    if (pid <= 0)
        return ERROR_DEVICE_DOES_NOT_EXIST;
    std::lock_guard lock(mutex_);
    Link &link = links_[static_cast<HRASCONN>(pid)];
    link.pid = pid;
    link.entry = entry;
    link.peerDevice = ReadPeerOptions(peersDir + "/" + entry).device;
    link.logFile = std::move(logFile);
    handle = static_cast<HRASCONN>(pid);
    return 0;
}

bool OwnLinks::Refresh(Link &link, std::vector<RASCONNSTATE> *reached)
{
    if (!link.exited) {
        int status = 0;
        if (waitpid(link.pid, &status, WNOHANG) == link.pid) {
            link.exited = true;
            link.waitStatus = status;
        }
    }
    // After the reap, so that the last lines of an ended pppd are read too.
    char buffer[4096];
    for (;;) {
        const ssize_t got = pread(link.logFile.Get(), buffer, sizeof buffer, link.logRead);
        if (got <= 0)
            break;
        link.logRead += got;
        auto states = link.progress.Feed(std::string_view(buffer, static_cast<size_t>(got)));
        if (reached)
            reached->insert(reached->end(), states.begin(), states.end());
    }
    return !link.exited;
}

OwnLinks::Progress OwnLinks::Poll(HRASCONN handle)
{
    std::lock_guard lock(mutex_);
    Progress progress;
    const auto found = links_.find(handle);
    if (found == links_.end()) {
        progress.ended = true;
        progress.waitStatus = W_EXITCODE(1, 0);
        return progress;
    }
    Link &link = found->second;
    progress.ended = !Refresh(link, &progress.states);
    progress.state = link.progress.State();
    progress.connected = link.progress.Connected();
    progress.waitStatus = link.waitStatus;
    return progress;
}

void OwnLinks::EndFollow(HRASCONN handle)
{
    std::lock_guard lock(mutex_);
    const auto found = links_.find(handle);
    if (found == links_.end())
        return;
    found->second.following = false;
    if (found->second.exited)
        links_.erase(found);
}

LinkView OwnLinks::View(const Link &link) const
{
    LinkView view;
    view.handle = static_cast<HRASCONN>(link.pid);
    view.entry = link.entry;
    view.device = link.progress.Device().empty() ? link.peerDevice : link.progress.Device();
    view.interface = link.progress.Interface();
    view.state = link.progress.Connected() ? RASCS_Connected : link.progress.State();
    return view;
}

std::optional<LinkView> OwnLinks::Find(HRASCONN handle)
{
    std::lock_guard lock(mutex_);
    const auto found = links_.find(handle);
    if (found == links_.end())
        return std::nullopt;
    if (!Refresh(found->second, nullptr)) {
        // A dial still being followed needs the exit status; it forgets the link itself.
        if (!found->second.following)
            links_.erase(found);
        return std::nullopt;
    }
    return View(found->second);
}

std::vector<LinkView> OwnLinks::All()
{
    std::lock_guard lock(mutex_);
    std::vector<LinkView> views;
    for (auto it = links_.begin(); it != links_.end();) {
        if (Refresh(it->second, nullptr)) {
            views.push_back(View(it->second));
            ++it;
        } else if (!it->second.following) {
            it = links_.erase(it);
        } else {
            ++it;
        }
    }
    return views;
}

uint32_t OwnLinks::HangUp(HRASCONN handle)
{
    std::lock_guard lock(mutex_);
    const auto found = links_.find(handle);
    if (found == links_.end() || !Refresh(found->second, nullptr))
        return ERROR_INVALID_HANDLE;
    // pppd ends the link cleanly on SIGTERM (LCP terminate, then exit).
    kill(found->second.pid, SIGTERM);
    return 0;
}

} // namespace ras
