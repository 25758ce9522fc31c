#pragma once
// What quavrel-cli's exit status tells a script.

inline constexpr int kExitDone = 0;       // everything asked was done
inline constexpr int kExitSomeFailed = 1; // some tracks failed, or lost audio (damaged)
inline constexpr int kExitUsage = 2;      // bad usage
inline constexpr int kExitNoDisc = 3;     // no such drive, no disc, or no ripping library
inline constexpr int kExitLookup = 4;     // the lookup failed or found nothing (lookup)
inline constexpr int kExitNotAccurate =
    5; // every track ripped, some differ from the AccurateRip database (rip)
inline constexpr int kExitCancelled = 130; // Ctrl-C, SIGTERM, SIGHUP
