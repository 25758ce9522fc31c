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
    const bool buildTree = std::filesystem::exists(moduleDir / ".." / "CMakeCache.txt", ec);
    return (moduleDir / (buildTree ? std::string_view(kBuildTreeModuleToData) : installedToData) / name)
        .lexically_normal();
}

} // namespace platform
