#include "quavrel/cli/interrupt_watch.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {

// Ctrl-C, a kill, a closed terminal: each stops the command the same way, its partial file removed.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The pipe's write end, for the handler; -1 while no watch exists.
volatile std::sig_atomic_t g_wakeFd = -1;
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
    const char byte = 1;
    // Nothing else is safe here; a full pipe already holds a wake-up.
    if (g_wakeFd >= 0) [[maybe_unused]]
        const ssize_t written = write(g_wakeFd, &byte, 1);
}

} // namespace

InterruptWatch::InterruptWatch()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd_ = platform::FileDescriptor(ends[0]);
    writeEnd_ = platform::FileDescriptor(ends[1]);
    g_wakeFd = writeEnd_.Get();
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.Get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        char bytes[16];
        while (read(readEnd_.Get(), bytes, sizeof bytes) > 0) {
        }
        if (action_)
            action_();
    });
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int stop : kStopSignals)
        sigaction(stop, &action, nullptr);
}

InterruptWatch::~InterruptWatch()
{
    for (const int stop : kStopSignals)
        signal(stop, SIG_DFL);
    g_wakeFd = -1;
    notifier_.reset();
}

void InterruptWatch::SetAction(std::function<void()> Action)
{
    action_ = std::move(Action);
}

bool InterruptWatch::Interrupted()
{
    return g_interrupted != 0;
}
