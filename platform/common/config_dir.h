#pragma once
// The user's configuration directory, one rule for every layer: $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config (a relative XDG_CONFIG_HOME is ignored, as the XDG rules say).

#include <cstdlib>
#include <string>

namespace platform {

// Empty when neither variable gives an absolute path: there is then nowhere to keep settings.
inline std::string ConfigHome()
{
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return xdg;
    if (const char *home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.config";
    return {};
}

// "<ConfigHome>/Quavrel", where the program, the ripping library and the drive catalogue keep
// their files; empty when ConfigHome is.
inline std::string QuavrelConfigDir()
{
    const std::string home = ConfigHome();
    return home.empty() ? home : home + "/Quavrel";
}

} // namespace platform
