#pragma once
// Finds a data file (the help page, the demo disc) from the directory of the module that needs it,
// so that an installed program and the build tree each find their own copy.

#include "install_layout.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace platform {

// `name` (relative to the data directory) seen from moduleDir. A module of the build tree (its
// bin directory sits beside CMakeCache.txt) finds build/data; any other is installed and follows
// installedToData (kProgramToInstalledData or kPrivateLibraryToInstalledData). The file need not
// exist: whoever reports it missing names where it belongs.
inline std::filesystem::path DataFile(const std::filesystem::path &moduleDir,
                                      std::string_view installedToData, std::string_view name)
{
    std::error_code ec;
    // The loader may name the module through a link (/lib standing for /usr/lib): the relative way
    // to the data holds from the module's real place only.
    std::filesystem::path dir = std::filesystem::canonical(moduleDir, ec);
    if (ec)
        dir = moduleDir;
    const bool buildTree = std::filesystem::exists(dir / ".." / "CMakeCache.txt", ec);
    return (dir / (buildTree ? std::string_view(kBuildTreeModuleToData) : installedToData) / name)
        .lexically_normal();
}

} // namespace platform
