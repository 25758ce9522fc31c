#pragma once
// The web service takes at most one request a second from a program: every client of the process
// waits its turn here.

namespace request_spacing {

constexpr int kIntervalMs = 1000;

// Milliseconds to wait before the next request may start; 0 when it may start now.
int DelayBeforeNextMs();

// A request starts now.
void NoteRequestStart();

} // namespace request_spacing
