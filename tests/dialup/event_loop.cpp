#include "event_loop.h"

#include <thread>

#include <QCoreApplication>

void EnsureCoreApplication()
{
    static int argc = 1;
    static char name[] = "dialup_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

bool ProcessEventsUntil(const std::function<bool()> &done, std::chrono::seconds guard)
{
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
