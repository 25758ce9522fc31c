#pragma once
// A phone book of two peers and a run directory in a fresh temporary directory, with the layer's
// environment pointed at them. The stand-in pppd comes from QUAVREL_PPPD (set by the test's
// registration).

#include <string>

class PppdSandbox {
  public:
    PppdSandbox();
    ~PppdSandbox();
    PppdSandbox(const PppdSandbox &) = delete;
    PppdSandbox &operator=(const PppdSandbox &) = delete;

    // Adds a peer file.
    void AddPeer(const std::string &name, const std::string &options) const;
    bool HasPidFile(const std::string &interface) const;

    const std::string &Peers() const { return peers_; }
    const std::string &Run() const { return run_; }

  private:
    std::string root_;
    std::string peers_;
    std::string run_;
};
