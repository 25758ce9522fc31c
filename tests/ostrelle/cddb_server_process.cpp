#include "cddb_server_process.h"

#include <cstdlib>
#include <fcntl.h>
#include <file_descriptor.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostrelle_test {
namespace {

std::string Env(const char *name)
{
    const char *value = std::getenv(name);
    if (!value)
        throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

} // namespace

std::string FixtureDir()
{
    return Env("QUAVREL_SOURCE_DIR") + "/tests/data/cddb";
}

CddbServerProcess::CddbServerProcess(const ServerOptions &options)
{
    Start(options, !options.dataDir.empty() ? options.dataDir
                   : options.withFixtures   ? FixtureDir()
                                            : std::string());
}

CddbServerProcess::CddbServerProcess(const std::string &dataDir)
{
    Start(ServerOptions{}, dataDir);
}

void CddbServerProcess::Start(const ServerOptions &options, const std::string &dataDir)
{
    const std::string script = Env("QUAVREL_BUILD_DIR") + "/bin/cddb_server.py";
    char dirTemplate[] = "/tmp/ostrelle-cddb-XXXXXX";
    if (!mkdtemp(dirTemplate))
        throw std::runtime_error("mkdtemp failed");
    workDir_ = dirTemplate;
    try {
        Launch(options, script, dataDir);
    } catch (...) {
        std::filesystem::remove_all(workDir_);
        throw;
    }
}

void CddbServerProcess::Launch(const ServerOptions &options, const std::string &script,
                               const std::string &dataDir)
{
    // No data directory: an empty one.
    std::filesystem::create_directory(workDir_ + "/empty");
    const std::string data = dataDir.empty() ? workDir_ + "/empty" : dataDir;
    std::vector<std::string> args = {"python3",    script,   "--data", data,    "--host",
                                     options.host, "--port", "0",      "--log", workDir_ + "/requests.log"};
    host_ = options.host;
    for (const auto &reply : options.replies) {
        args.push_back("--reply");
        args.push_back(reply);
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const platform::FileDescriptor reader(out[0]);
    platform::FileDescriptor writer(out[1]);
    pid_ = fork();
    if (pid_ == 0) {
        // A test that dies must not leave the server running (and holding ctest's output pipe).
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(writer.Get(), STDOUT_FILENO);
        std::vector<char *> argv;
        for (auto &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    writer.Close();
    // The server prints "PORT <n>" once it listens.
    std::string line;
    pollfd entry{reader.Get(), POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&entry, 1, 20000) > 0) {
        char c[64];
        const ssize_t n = read(reader.Get(), c, sizeof c);
        if (n <= 0)
            break;
        line.append(c, static_cast<size_t>(n));
    }
    if (line.rfind("PORT ", 0) != 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("the CDDB server did not start: " + line);
    }
    port_ = static_cast<uint16_t>(std::stoi(line.substr(5)));
}

CddbServerProcess::~CddbServerProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(workDir_, ignored);
}

std::string CddbServerProcess::Address() const
{
    const bool ipv6 = host_.find(':') != std::string::npos;
    return (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
}

std::string CddbServerProcess::RequestLog() const
{
    std::ifstream in(workDir_ + "/requests.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace ostrelle_test
