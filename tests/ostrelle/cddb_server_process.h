#pragma once
// Runs tools/cddb_server as a separate process on a free loopback port for one test.

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ostrelle_test {

struct ServerOptions {
    // Serve tests/data/cddb (the fixtures); false serves an empty directory.
    bool withFixtures = true;
    // Scripted replies, one JSON object each (see the top of cddb_server.py).
    std::vector<std::string> replies{};
    // When set, this directory of xmcd entries is served instead of the fixtures.
    std::string dataDir{};
    // The loopback address listened on: "127.0.0.1" or "::1".
    std::string host = "127.0.0.1";
};

class CddbServerProcess {
  public:
    explicit CddbServerProcess(const ServerOptions &options = {});
    // Serves dataDir, a directory of xmcd entries laid out <category>/<discid>.
    explicit CddbServerProcess(const std::string &dataDir);
    ~CddbServerProcess();
    CddbServerProcess(const CddbServerProcess &) = delete;
    CddbServerProcess &operator=(const CddbServerProcess &) = delete;

    uint16_t Port() const { return port_; }
    // "127.0.0.1:<port>" (or "[::1]:<port>"), as TCddbServer.Server takes it.
    std::string Address() const;
    // Every request head the server received so far, each ended by an empty line.
    std::string RequestLog() const;

  private:
    void Start(const ServerOptions &options, const std::string &dataDir);
    void Launch(const ServerOptions &options, const std::string &script, const std::string &dataDir);

    pid_t pid_ = -1;
    uint16_t port_ = 0;
    std::string host_;
    std::string workDir_;
};

// The source tree's fixture directory, tests/data/cddb.
std::string FixtureDir();

} // namespace ostrelle_test
