// Rips every track of the demo disc with the window's rip command, once per format (WAV, MP3 at
// 128 kbit/s CBR with CRC, Ogg quality 5), next to cd-paranoia reading the same image into a WAV
// file, lame or oggenc with the same settings. Each side runs in a child process so that its wall
// time and peak memory are its own. During the window's rip a 10 ms timer records when the event
// loop gets to it: the longest gap is how long the window went without processing events. Last, the
// same gap while the drive reads slowly (80 ms a read): track 1 ripped for 3 s, then cancelled;
// and again on an emulated drive (libquavrel_emulated_drive.so beside the benchmark, preloaded
// into a run of its own) that takes one second a read. The Ogg rip once more in secure mode.

#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

constexpr int kRuns = 3;
constexpr int kTracks = 5;

struct Measure {
    double seconds = 1e9;
    long peakKiB = 0;
    double longestGapMs = 0; // the window's side only
};

// Runs body in a child process kRuns times: the best wall time, the largest peak memory and the
// longest event-loop gap the child reported through its exit pipe.
template <typename Body> Measure InChild(Body body)
{
    Measure result;
    for (int run = 0; run < kRuns; ++run) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            std::exit(1);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            close(pipeFds[0]);
            double gap = 0;
            const int code = body(gap);
            if (write(pipeFds[1], &gap, sizeof gap) != sizeof gap)
                std::_Exit(1);
            std::_Exit(code);
        }
        close(pipeFds[1]);
        double gap = 0;
        const bool gotGap = read(pipeFds[0], &gap, sizeof gap) == sizeof gap;
        close(pipeFds[0]);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!gotGap || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "child failed\n");
            std::exit(1);
        }
        result.seconds = std::min(result.seconds, seconds);
        result.peakKiB = std::max(result.peakKiB, usage.ru_maxrss);
        result.longestGapMs = std::max(result.longestGapMs, gap);
    }
    return result;
}

// The program's own steps: start, window, the demo disc read, every track ticked, the command.
// With slowMs, every read of the drive sleeps that long and the rip of track 1 is cancelled after
// 3 s: only the gap matters then.
int RipWithWindow(int format, const std::filesystem::path &out, double &longestGapMs, int slowMs = 0,
                  bool secure = false)
{
    if (slowMs > 0)
        setenv("QUAVREL_FAULTS", ("slow=" + std::to_string(slowMs)).c_str(), 1);
    int argc = 1;
    char name[] = "window_rip_bench";
    char *argv[] = {name, nullptr};
    CdAccessStart();
    int code = 1;
    {
        QApplication app(argc, argv);
        TCDRipTestForm window;
        Ui::TCDRipTestForm *ui = window.Controls();
        ui->CheckBox1->setChecked(false); // no lookup
        window.FormShow();
        ui->Label3->setText(QString::fromStdString(out.string()) + QStringLiteral("/"));
        ui->creerlesrepertoires->setChecked(false);
        ui->ComboBox1->setCurrentIndex(format);
        if (auto *action = window.findChild<QAction *>(QStringLiteral("Lecturesure1")))
            action->setChecked(secure);
        window.ToutSelectionner1Click();
        if (slowMs > 0) {
            for (int row = 1; row < ui->ListView1->topLevelItemCount(); ++row)
                ui->ListView1->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
            QTimer::singleShot(3000, &window, [&window] { window.btnCancelRipClick(); });
        }

        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        ticker.start();
        last = clock.nsecsElapsed();
        window.ripperlapisteauformatWav1Click();
        longest = std::max(longest, clock.nsecsElapsed() - last);
        longestGapMs = static_cast<double>(longest) / 1e6;

        int ticked = 0;
        for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
            ticked += ui->ListView1->topLevelItem(row)->checkState(0) == Qt::Checked ? 1 : 0;
        code = ui->ListView1->topLevelItemCount() == kTracks && (ticked == 0 || slowMs > 0) ? 0 : 1;
        if (code != 0)
            std::fprintf(stderr, "rip failed: %s\n", window.StatusText().toUtf8().constData());
    }
    CdAccessEnd();
    return code;
}

int RipWithTools(int format, const std::string &cue, const std::filesystem::path &out)
{
    std::string command = "cd " + out.string() + " && true";
    for (int track = 1; track <= kTracks; ++track) {
        const std::string n = std::to_string(track);
        const std::string read = "cd-paranoia -q -d '" + cue + "' " + (format == 2 ? "-w " : "-r ") + n;
        if (format == 2)
            command += " && " + read + " " + n + ".wav 2>/dev/null";
        else if (format == 1)
            command += " && " + read +
                       " - 2>/dev/null | lame --silent -r -s 44.1 --bitwidth 16 --little-endian"
                       " -m s -b 128 --cbr -p - " +
                       n + ".mp3 2>/dev/null";
        else
            command += " && " + read + " - 2>/dev/null | oggenc -Q -r -q 5 -o " + n + ".ogg - 2>/dev/null";
    }
    return std::system(command.c_str()) == 0 ? 0 : 1;
}

} // namespace

// The slow runs once more, on an emulated drive holding the demo disc that takes slowMs a read
// (this process has the emulator preloaded).
int SlowOnEmulatedDrive(const std::string &cue, const std::filesystem::path &dir, int slowMs)
{
    const std::filesystem::path dev = dir / "dev";
    std::filesystem::create_directories(dev);
    std::ofstream{dev / "sr0"};
    setenv("QUAVREL_EMULATED_DRIVES",
           ((dev / "sr0").string() + "=" + cue + ",faults=slow=" + std::to_string(slowMs)).c_str(), 1);
    setenv("QUAVREL_DEVICE_DIR", dev.c_str(), 1);
    setenv("QUAVREL_DRIVES", "", 1);
    std::printf("\nemulated drive, %d ms a read, 3 s of track 1 then a cancel:\n%-5s %14s\n", slowMs, "",
                "longest gap ms");
    // WAV alone: the gap is the reading's, and each run waits for the cancel to reach the library.
    const char *names[] = {"Ogg", "Mp3", "Wav"};
    for (const int format : {2}) {
        const std::filesystem::path ours = dir / (std::string("emulated-") + names[format]);
        std::filesystem::create_directories(ours);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            double gap = 0;
            const int code = RipWithWindow(format, ours, gap, slowMs);
            std::printf("%-5s %14.1f\n", names[format], gap);
            std::fflush(stdout);
            std::_Exit(code);
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return 0;
}

int main(int argc, char **argv)
{
    const std::string cue = std::string(QUAVREL_DISCS_DIR) + "/demo.cue";
    if (!std::filesystem::exists(cue)) {
        std::fprintf(stderr, "no demo disc at %s: build the quavrel_discs target\n", cue.c_str());
        return 1;
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quavrel-window-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "config");
    setenv("QUAVREL_DRIVES", cue.c_str(), 1);
    setenv("QUAVREL_FAULTS", "", 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The rip is measured, not a lookup: the database is a refused loopback port.
    setenv("QUAVREL_ACCURATERIP_SERVER", "http://127.0.0.1:1", 1);
    std::filesystem::create_directories(dir / "runtime");
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    if (argc == 3 && std::string(argv[1]) == "--emulated-slow")
        return SlowOnEmulatedDrive(cue, dir, std::atoi(argv[2]));

    std::printf("%-5s %12s %12s %8s %12s %12s %14s\n", "", "window s", "tools s", "ratio", "window KiB",
                "tools KiB", "longest gap ms");
    const char *names[] = {"Ogg", "Mp3", "Wav"};
    for (const int format : {2, 1, 0}) {
        const std::filesystem::path ours = dir / (std::string("window-") + names[format]);
        const std::filesystem::path tools = dir / (std::string("tools-") + names[format]);
        std::filesystem::create_directories(ours);
        std::filesystem::create_directories(tools);
        const Measure window = InChild([&](double &gap) { return RipWithWindow(format, ours, gap); });
        const Measure reference = InChild([&](double &) { return RipWithTools(format, cue, tools); });
        std::printf("%-5s %12.3f %12.3f %8.2f %12ld %12ld %14.1f\n", names[format], window.seconds,
                    reference.seconds, window.seconds / reference.seconds, window.peakKiB, reference.peakKiB,
                    window.longestGapMs);
        std::fflush(stdout);
    }
    // Test and copy: each pass chunk by chunk, as a burst read.
    for (const int format : {0}) {
        const std::filesystem::path ours = dir / (std::string("secure-") + names[format]);
        std::filesystem::create_directories(ours);
        const Measure window =
            InChild([&](double &gap) { return RipWithWindow(format, ours, gap, 0, true); });
        std::printf("%-5s %12.3f %12s %8s %12ld %12s %14.1f  (secure)\n", names[format], window.seconds, "",
                    "", window.peakKiB, "", window.longestGapMs);
        std::fflush(stdout);
    }
    std::printf("\nslow reads (80 ms a read), 3 s of track 1 then a cancel:\n%-5s %14s\n", "",
                "longest gap ms");
    for (const int format : {2, 1, 0}) {
        const std::filesystem::path ours = dir / (std::string("slow-") + names[format]);
        std::filesystem::create_directories(ours);
        // A child of its own, like the other runs: the faults hold for its whole process.
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            double gap = 0;
            const int code = RipWithWindow(format, ours, gap, 80);
            std::printf("%-5s %14.1f\n", names[format], gap);
            std::fflush(stdout);
            std::_Exit(code);
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path emulator = self.parent_path() / "libquavrel_emulated_drive.so";
    if (std::filesystem::exists(emulator)) {
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("LD_PRELOAD", emulator.c_str(), 1);
            execl(self.c_str(), self.c_str(), "--emulated-slow", "1000", static_cast<char *>(nullptr));
            std::_Exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
