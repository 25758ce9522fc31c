#pragma once
// The rip tests' window: the demo disc loaded (no lookup), the output in a private directory, and
// the tools that check the files independently.

#include "quavrel/window/cdrip_test_form.h"
#include "window_test_support.h"

#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QTemporaryDir>

// Drives of QUAVREL_DRIVES, in order.
enum RipDrive { kDemoDrive = 0, kEnhancedDrive = 1, kMixedDrive = 2, kOneTrackDrive = 3 };
enum WindowFormat { kOgg = 0, kMp3 = 1, kWav = 2, kFlac = 3 };

class RipTest : public WindowTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    Ui::TCDRipTestForm *ui() const { return window_->Controls(); }
    // Ticks exactly the given rows (track numbers).
    void Tick(std::initializer_list<int> tracks);
    bool Ticked(int track) const;
    QString Cell(int track, int column) const;
    void Rip(WindowFormat format);
    // Runs Action once, the first time ProgressBar1 moves above zero during a rip.
    void OnFirstProgress(std::function<void()> action);
    void ChooseDrive(RipDrive drive);
    QString OutputPath(const QString &name) const { return out_.filePath(name); }

    std::unique_ptr<TCDRipTestForm> window_;
    QTemporaryDir out_;
};

// Raw bytes of sectors first..last (inclusive) of a generated disc image.
QByteArray ImageSectors(const QString &disc, int32_t first, int32_t last);
// Start sector of each track of a generated disc's cue sheet, and the lead-out.
std::vector<int32_t> TrackStarts(const QString &disc);

// Runs a program; its standard output, or a null array when it fails.
QByteArray RunTool(const QString &program, const QStringList &arguments);
// "key=value" lines of ffprobe for the first audio stream.
QString Probe(const QString &file, const QString &entries);
