#include "rip_test_support.h"

#include "drive_catalogue.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "ui_TCDRipTestForm.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

QString DiscFile(const QString &disc, const char *extension)
{
    return qEnvironmentVariable("QUAVREL_DATA_DIR") + QStringLiteral("/discs/") + disc +
           QLatin1String(extension);
}

} // namespace

void RipTest::SetUp()
{
    WindowTest::SetUp();
    ASSERT_TRUE(out_.isValid());
    window_ = std::make_unique<TCDRipTestForm>();
    // No lookup: the tests have no server.
    ui()->CheckBox1->setChecked(false);
    window_->FormShow();
    ui()->Label3->setText(out_.path() + QStringLiteral("/"));
    ui()->creerlesrepertoires->setChecked(false);
    ASSERT_EQ(ui()->ListView1->topLevelItemCount(), 5) << "the demo disc is not loaded";
}

void RipTest::TearDown()
{
    window_.reset();
    for (size_t index = 0; index < drives::DriveCount(); ++index) {
        drives::ClearFaults(index);
        drives::Unlock(index);
        drives::CloseTray(index);
    }
    SelectDrive(kDemoDrive);
    QCoreApplication::processEvents();
    WindowTest::TearDown();
}

void RipTest::Tick(std::initializer_list<int> tracks)
{
    window_->N1Click();
    for (int track : tracks)
        ui()->ListView1->topLevelItem(track - 1)->setCheckState(0, Qt::Checked);
}

bool RipTest::Ticked(int track) const
{
    return ui()->ListView1->topLevelItem(track - 1)->checkState(0) == Qt::Checked;
}

QString RipTest::Cell(int track, int column) const
{
    return ui()->ListView1->topLevelItem(track - 1)->text(column);
}

void RipTest::Rip(WindowFormat format)
{
    ui()->ComboBox1->setCurrentIndex(format);
    window_->ripperlapisteauformatWav1Click();
}

void RipTest::OnFirstProgress(std::function<void()> action)
{
    auto done = std::make_shared<bool>(false);
    QObject::connect(ui()->ProgressBar1, &QProgressBar::valueChanged, window_.get(),
                     [done, action = std::move(action)](int value) {
                         if (value > 0 && !*done) {
                             *done = true;
                             action();
                         }
                     });
}

void RipTest::ChooseDrive(RipDrive drive)
{
    ui()->DriveSelBox->setCurrentIndex(drive);
    window_->DriveSelBoxChange();
}

QByteArray ImageSectors(const QString &disc, int32_t first, int32_t last)
{
    QFile image(DiscFile(disc, ".bin"));
    if (!image.open(QIODevice::ReadOnly) || !image.seek(qint64{first} * 2352))
        return {};
    return image.read(qint64{last - first + 1} * 2352);
}

std::vector<int32_t> TrackStarts(const QString &disc)
{
    std::vector<int32_t> starts;
    QFile cue(DiscFile(disc, ".cue"));
    if (!cue.open(QIODevice::ReadOnly | QIODevice::Text))
        return starts;
    static const QRegularExpression index(QStringLiteral("INDEX 01 (\\d+):(\\d+):(\\d+)"));
    for (const QString &line : QString::fromUtf8(cue.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = index.match(line);
        if (match.hasMatch())
            starts.push_back(match.captured(1).toInt() * 4500 + match.captured(2).toInt() * 75 +
                             match.captured(3).toInt());
    }
    starts.push_back(static_cast<int32_t>(QFileInfo(DiscFile(disc, ".bin")).size() / 2352));
    return starts;
}

QByteArray RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    const QByteArray output = process.readAllStandardOutput();
    return output.isNull() ? QByteArray("") : output;
}

QString Probe(const QString &file, const QString &entries)
{
    return QString::fromUtf8(
               RunTool(QStringLiteral("ffprobe"),
                       {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                        QStringLiteral("a:0"), QStringLiteral("-show_entries"), entries,
                        QStringLiteral("-of"), QStringLiteral("default=nw=1"), file}))
        .trimmed();
}
