#include "pppd_sandbox.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

PppdSandbox::PppdSandbox()
{
    char pattern[] = "/tmp/quavrel-dialup-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    peers_ = root_ + "/peers";
    run_ = root_ + "/run";
    mkdir(peers_.c_str(), 0755);
    mkdir(run_.c_str(), 0755);
    setenv("QUAVREL_PPP_PEERS", peers_.c_str(), 1);
    setenv("QUAVREL_PPP_RUNDIR", run_.c_str(), 1);
    AddPeer("alpha", "# Alpha Net, modem on the first serial port\n"
                     "/dev/ttyS0\n115200\nuser \"alice\"\n"
                     "connect \"/usr/sbin/chat -v -f /etc/chatscripts/alpha\"\n"
                     "noauth\ndefaultroute\n");
    AddPeer("beta", "ttyUSB1 57600\nuser bob # the account\n# stand-in: fail 19\n");
}

PppdSandbox::~PppdSandbox()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void PppdSandbox::AddPeer(const std::string &name, const std::string &options) const
{
    std::ofstream(peers_ + "/" + name) << options;
}

bool PppdSandbox::HasPidFile(const std::string &interface) const
{
    return access((run_ + "/" + interface + ".pid").c_str(), F_OK) == 0;
}
