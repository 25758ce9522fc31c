#include "cli_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string BuildDir()
{
    const char *dir = std::getenv("QUAVREL_BUILD_DIR");
    if (!dir)
        throw std::runtime_error("QUAVREL_BUILD_DIR is not set");
    return dir;
}

} // namespace

std::string ReadFile(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string &Path, const std::string &Bytes)
{
    std::ofstream(Path, std::ios::binary) << Bytes;
}

CliProcess::CliProcess(const std::vector<std::string> &Arguments,
                       const std::map<std::string, std::string> &Env)
{
    char pattern[] = "/tmp/quavrel-cli-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    outFile_ = dir_ + "/out";
    errFile_ = dir_ + "/err";
    const std::string program = BuildDir() + "/bin/quavrel-cli";
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), Arguments.begin(), Arguments.end());
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        for (const auto &[name, value] : Env)
            setenv(name.c_str(), value.c_str(), 1);
        const int out = open(outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int none = open("/dev/null", O_RDONLY);
        dup2(none, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char *> pointers;
        for (std::string &word : argv)
            pointers.push_back(word.data());
        pointers.push_back(nullptr);
        execv(program.c_str(), pointers.data());
        _exit(127);
    }
}

CliProcess::~CliProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(dir_);
}

bool CliProcess::WaitForError(const std::string &Text)
{
    for (;;) {
        if (ReadFile(errFile_).find(Text) != std::string::npos)
            return true;
        if (waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            return ReadFile(errFile_).find(Text) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void CliProcess::Interrupt(int Signal)
{
    if (pid_ > 0)
        kill(pid_, Signal);
}

CliResult CliProcess::Finish()
{
    CliResult result;
    if (pid_ > 0) {
        waitpid(pid_, &status_, 0);
        pid_ = -1;
    }
    result.exitCode = status_ >= 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    result.out = ReadFile(outFile_);
    result.err = ReadFile(errFile_);
    return result;
}

CliResult RunCli(const std::vector<std::string> &Arguments, const std::map<std::string, std::string> &Env)
{
    CliProcess process(Arguments, Env);
    return process.Finish();
}
