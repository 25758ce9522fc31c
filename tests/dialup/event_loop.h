#pragma once
// The event loop the component's asynchronous notices need.

#include <chrono>
#include <functional>

// Creates the process's QCoreApplication once.
void EnsureCoreApplication();

// Processes events until done() holds; false if it still does not after the guard (a hang guard
// against a broken build, not a timing requirement).
bool ProcessEventsUntil(const std::function<bool()> &done,
                        std::chrono::seconds guard = std::chrono::seconds(60));
