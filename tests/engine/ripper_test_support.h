#pragma once
// Helpers of the ripper component's tests: a private settings and output directory, a component
// on a chosen test image, files and decoders.

#include "cdrip_test_support.h"
#include "quavrel/engine/ripper/cd_rip.h"

#include <csignal>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace rippertest {

class RipperFixture : public ::testing::Test {
  protected:
    void SetUp() override;

    // A new component with its drive switched to <disc>.cue.
    std::unique_ptr<TCDRIP> RipperOn(const std::string &disc);
    // <output dir>/<name>
    QString OutPath(const QString &name) const;

    void TearDown() override;

    QTemporaryDir config_; // the ripping library's settings file goes here
    QTemporaryDir out_;
};

std::vector<uint8_t> ReadFile(const QString &path);
uint32_t ReadLE32(const std::vector<uint8_t> &bytes, size_t offset);

// Output of a command run through the shell, with its exit status.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult RunCommand(const std::string &command);
std::string Quoted(const QString &path);

} // namespace rippertest

namespace rippertest {

// While it lives, no file of this process grows past Bytes: writes beyond fail as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t Bytes)
    {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

  private:
    rlimit saved_{};
};

} // namespace rippertest
