#pragma once
// Reads how far a link has come from the log pppd writes while it is not detached, and turns
// pppd's exit status into a result code.

#include "ras.h"

#include <string>
#include <string_view>
#include <vector>

namespace ras {

class PppdProgress {
  public:
    // Takes the next bytes of the log; returns the states reached by the lines they complete, in
    // order. A state is reported once; the connected state itself is left to the caller.
    std::vector<RASCONNSTATE> Feed(std::string_view bytes);

    RASCONNSTATE State() const { return state_; }
    // A network protocol is up (both IPv4, or IPv6 link-local, addresses negotiated).
    bool Connected() const { return connected_; }
    // The ppp interface, once pppd has named it ("ppp0").
    const std::string &Interface() const { return interface_; }
    // The tty, once pppd has reported the link ("/dev/ttyS0").
    const std::string &Device() const { return device_; }

  private:
    void ReadLine(std::string_view line, std::vector<RASCONNSTATE> &reached);
    void Reach(RASCONNSTATE state, std::vector<RASCONNSTATE> &reached);

    std::string partial_;
    RASCONNSTATE state_ = RASCS_OpenPort;
    bool connected_ = false;
    std::string interface_;
    std::string device_;
};

// The result code for a pppd that ended (waitpid status) before its link came up.
uint32_t ErrorFromExit(int waitStatus);

} // namespace ras
