#include "foreign_links.h"

#include "phone_book.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <signal.h>

namespace ras {
namespace {

std::string RunDirectory()
{
    if (const char *dir = std::getenv("QUAVREL_PPP_RUNDIR"); dir && *dir)
        return dir;
    return "/var/run";
}

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool IsLivePppd(pid_t pid)
{
    if (pid <= 0 || (kill(pid, 0) != 0 && errno != EPERM))
        return false;
    std::string comm = ReadFile("/proc/" + std::to_string(pid) + "/comm");
    while (!comm.empty() && comm.back() == '\n')
        comm.pop_back();
    return comm == "pppd";
}

// The arguments of pid: what "call" names is the entry, and a device may be among them.
std::vector<std::string> Arguments(pid_t pid)
{
    const std::string cmdline = ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::vector<std::string> args;
    size_t start = 0;
    while (start < cmdline.size()) {
        auto end = cmdline.find('\0', start);
        if (end == std::string::npos)
            end = cmdline.size();
        args.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

struct PidFileFacts {
    std::string interface;
    std::string linkname;
};

// pid -> what the pid files say of it.
std::map<pid_t, PidFileFacts> ReadPidFiles()
{
    std::map<pid_t, PidFileFacts> facts;
    const std::string dir = RunDirectory();
    std::unique_ptr<DIR, int (*)(DIR *)> stream(opendir(dir.c_str()), closedir);
    if (!stream)
        return facts;
    while (const dirent *item = readdir(stream.get())) {
        const std::string name = item->d_name;
        if (name.rfind("ppp", 0) != 0 || name.size() <= 7 || name.substr(name.size() - 4) != ".pid")
            continue;
        const std::string text = ReadFile(dir + "/" + name);
        const auto newline = text.find('\n');
        const pid_t pid = std::atoi(text.substr(0, newline).c_str());
        if (pid <= 0)
            continue;
        std::string second = newline == std::string::npos ? std::string() : text.substr(newline + 1);
        second = second.substr(0, second.find('\n'));
        PidFileFacts &fact = facts[pid];
        const std::string stem = name.substr(0, name.size() - 4);
        if (stem.rfind("ppp-", 0) == 0) {
            fact.linkname = stem.substr(4);
            if (!second.empty())
                fact.interface = second;
        } else {
            fact.interface = stem;
        }
    }
    return facts;
}

LinkView ViewOf(const std::string &peersDir, pid_t pid, const PidFileFacts &fact)
{
    LinkView view;
    view.handle = static_cast<HRASCONN>(pid);
    view.interface = fact.interface;
    // A pid file without an interface belongs to a link that is still coming up.
    view.state = fact.interface.empty() ? RASCS_ConnectDevice : RASCS_Connected;
    const auto args = Arguments(pid);
    for (size_t i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "call")
            view.entry = args[i + 1];
    }
    if (view.entry.empty())
        view.entry = fact.linkname.empty() ? fact.interface : fact.linkname;
    if (args.size() > 1)
        view.device = DeviceAmong(std::vector<std::string>(args.begin() + 1, args.end()));
    if (view.device.empty() && IsEntryName(view.entry))
        view.device = ReadPeerOptions(peersDir + "/" + view.entry).device;
    return view;
}

} // namespace

std::vector<LinkView> ForeignLinks(const std::string &peersDir)
{
    std::vector<LinkView> links;
    for (const auto &[pid, fact] : ReadPidFiles()) {
        if (IsLivePppd(pid))
            links.push_back(ViewOf(peersDir, pid, fact));
    }
    return links;
}

std::optional<LinkView> FindForeignLink(const std::string &peersDir, HRASCONN handle)
{
    const auto facts = ReadPidFiles();
    const auto found = facts.find(static_cast<pid_t>(handle));
    if (found == facts.end() || !IsLivePppd(found->first))
        return std::nullopt;
    return ViewOf(peersDir, found->first, found->second);
}

uint32_t HangUpForeignLink(const std::string &peersDir, HRASCONN handle)
{
    if (!FindForeignLink(peersDir, handle))
        return ERROR_INVALID_HANDLE;
    if (kill(static_cast<pid_t>(handle), SIGTERM) == 0)
        return 0;
    return errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE;
}

} // namespace ras
