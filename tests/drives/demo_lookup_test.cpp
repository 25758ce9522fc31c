// The demo disc, read through Ostrelle's drive exports, is found by the local CDDB server in the
// entry the generator wrote for it.

#include "drives_test_support.h"

#include <ostrelle/ostrelle.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace drivestest;

// tools/cddb_server serving the generated entries on a free loopback port.
class GeneratedEntriesServer {
public:
    GeneratedEntriesServer()
    {
        const std::string build = std::getenv("QUAVREL_BUILD_DIR");
        const std::string data = std::getenv("QUAVREL_DATA_DIR");
        std::vector<std::string> args = {"python3", build + "/bin/cddb_server.py", "--data", data + "/cddb", "--port", "0"};
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], STDOUT_FILENO);
            std::vector<char *> argv;
            for (std::string &arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string line;
        pollfd entry{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && poll(&entry, 1, 20000) > 0) {
            char chunk[64];
            const ssize_t n = read(out[0], chunk, sizeof chunk);
            if (n <= 0)
                break;
            line.append(chunk, static_cast<size_t>(n));
        }
        close(out[0]);
        if (line.rfind("PORT ", 0) == 0)
            address_ = "127.0.0.1:" + std::to_string(std::stoi(line.substr(5)));
    }
    ~GeneratedEntriesServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    GeneratedEntriesServer(const GeneratedEntriesServer &) = delete;
    GeneratedEntriesServer &operator=(const GeneratedEntriesServer &) = delete;

    const std::string &Address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

TEST(DemoDiscLookup, TheLocalServerKnowsTheDemoDisc)
{
    GeneratedEntriesServer server;
    ASSERT_FALSE(server.Address().empty()) << "the CDDB server did not start";

    const TCdDrive drive{static_cast<uint8_t>(IndexOf(DiscPath("demo"))), 0, 0, nullptr, nullptr, nullptr, nullptr};
    TCdToc toc{};
    ASSERT_EQ(ReadCdTOC(&drive, &toc), OSTRELLE_FALSE);

    std::string host = server.Address();
    std::string path = "/~cddb/cddb.cgi";
    std::string user = "Quavrel";
    std::string machine = "localhost";
    const TCddbServer where{host.data(), path.data(), user.data(), machine.data()};
    TCDDBQuery query{};
    ASSERT_EQ(http_query(0, &where, &toc, &query), CDDB_EXACT);
    ASSERT_EQ(query.Count, 1);
    EXPECT_STREQ(query.Matches[0].Category, "misc");

    TDiscInfo info{};
    ASSERT_EQ(http_read(0, &where, &query.Matches[0], &info), CDDB_OK);
    EXPECT_STREQ(info.Artist, "Orchestre de d\xE9monstration");
    EXPECT_STREQ(info.Title, "Disque de d\xE9monstration");
    ASSERT_EQ(info.Count, toc.Count);
    EXPECT_STREQ(info.TrackTitles[3], "Accords d'\xE9t\xE9");
    FreeDiscInfo(&info);
    FreeCddbQuery(&query);
}

} // namespace
