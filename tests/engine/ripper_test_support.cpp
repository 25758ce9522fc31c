#include "ripper_test_support.h"

#include "drive_catalogue.h"

#include <cstdio>
#include <sys/wait.h>

#include <QFile>

namespace rippertest {

void RipperFixture::SetUp()
{
    ASSERT_TRUE(config_.isValid());
    ASSERT_TRUE(out_.isValid());
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    drives::RebuildCatalogue();
}

void RipperFixture::TearDown()
{
    qunsetenv("XDG_CONFIG_HOME");
}

std::unique_ptr<TCDRIP> RipperFixture::RipperOn(const std::string &disc)
{
    auto ripper = std::make_unique<TCDRIP>();
    const int32_t index = cdriptest::DriveIndexOf(disc);
    EXPECT_GE(index, 0) << disc;
    // The component ignores a switch to the active drive, so go through another one first.
    if (ripper->CDRomNum() == index)
        ripper->SetCDRomNum(index == 0 ? 1 : 0);
    ripper->SetCDRomNum(index);
    EXPECT_EQ(ripper->CDRomNum(), index);
    return ripper;
}

QString RipperFixture::OutPath(const QString &name) const
{
    return out_.filePath(name);
}

std::vector<uint8_t> ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

uint32_t ReadLE32(const std::vector<uint8_t> &bytes, size_t offset)
{
    return static_cast<uint32_t>(bytes.at(offset)) | static_cast<uint32_t>(bytes.at(offset + 1)) << 8 |
           static_cast<uint32_t>(bytes.at(offset + 2)) << 16 |
           static_cast<uint32_t>(bytes.at(offset + 3)) << 24;
}

CommandResult RunCommand(const std::string &command)
{
    CommandResult result;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const QString &path)
{
    return "'" + path.toStdString() + "'";
}

} // namespace rippertest
