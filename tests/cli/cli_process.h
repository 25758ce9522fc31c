#pragma once
// quavrel-cli run as a separate process from the build tree, with a settings directory of its own
// and the test's variables; its output goes to files the test reads while it runs.

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

struct CliResult {
    int exitCode = -1; // -1 when the program did not exit on its own
    std::string out;
    std::string err;
};

class CliProcess {
  public:
    // Env adds to or replaces the test's variables.
    CliProcess(const std::vector<std::string> &Arguments, const std::map<std::string, std::string> &Env);
    ~CliProcess();
    CliProcess(const CliProcess &) = delete;
    CliProcess &operator=(const CliProcess &) = delete;

    // Waits until standard error holds Text; false when the program ended first.
    bool WaitForError(const std::string &Text);
    void Interrupt(int Signal);
    CliResult Finish();

  private:
    pid_t pid_ = -1;
    int status_ = -1; // waitpid's, once reaped
    std::string dir_;
    std::string outFile_;
    std::string errFile_;
};

CliResult RunCli(const std::vector<std::string> &Arguments,
                 const std::map<std::string, std::string> &Env = {});

std::string ReadFile(const std::string &Path);
void WriteFile(const std::string &Path, const std::string &Bytes);
