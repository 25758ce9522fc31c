#pragma once
// Ctrl-C, SIGTERM and SIGHUP: the signal handler only writes a byte to a pipe; the Qt thread reads it and
// runs the cancel it was given (a rip's cancel, a lookup's abort). Reads waiting on standard input are
// interrupted too (the handler is installed without SA_RESTART).

#include "platform/common/file_descriptor.h"

#include <functional>
#include <memory>

class QSocketNotifier;

class InterruptWatch {
  public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // Run on the Qt thread at each of these signals; replaces the one before. Empty: nothing runs.
    void SetAction(std::function<void()> Action);
    // One of them came (possibly not yet seen by the event loop).
    static bool Interrupted();

  private:
    platform::FileDescriptor readEnd_;
    platform::FileDescriptor writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> action_;
};
