#include "drive_spec.h"

#include <charconv>
#include <string_view>

namespace emulated {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(separator, begin);
        if (end == std::string_view::npos)
            end = text.size();
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

bool ParseSectors(std::string_view list, std::set<int32_t> &sectors)
{
    for (std::string_view item : Split(list, ',')) {
        const size_t dash = item.find('-', 1);
        const std::string_view firstText = item.substr(0, dash);
        const std::string_view lastText = dash == std::string_view::npos ? firstText : item.substr(dash + 1);
        int32_t first = 0;
        int32_t last = 0;
        if (std::from_chars(firstText.begin(), firstText.end(), first).ptr != firstText.end() ||
            std::from_chars(lastText.begin(), lastText.end(), last).ptr != lastText.end() ||
            firstText.empty() || lastText.empty() || first < 0 || last < first)
            return false;
        for (int32_t sector = first; sector <= last; ++sector)
            sectors.insert(sector);
    }
    return true;
}

// The fault list: '|' between items, "c2=" ours, the rest the virtual drives' syntax.
bool ParseFaultList(std::string_view text, DriveSpec &spec, std::string *error)
{
    std::string shared;
    for (std::string_view item : Split(text, '|')) {
        if (item.starts_with("c2=")) {
            if (!ParseSectors(item.substr(3), spec.c2)) {
                *error = "bad C2 sector list: " + std::string(item);
                return false;
            }
            continue;
        }
        if (!shared.empty())
            shared += ';';
        shared += item;
    }
    std::string reason;
    std::optional<drives::Faults> faults = drives::ParseFaults(shared, &reason);
    if (!faults) {
        *error = "bad faults \"" + std::string(text) + "\": " + reason;
        return false;
    }
    spec.faults = *faults;
    return true;
}

bool ParseEntry(std::string_view entry, DriveSpec &spec, std::string *error)
{
    const size_t equals = entry.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        *error = "entry without DEVICE=IMAGE: " + std::string(entry);
        return false;
    }
    spec.device = entry.substr(0, equals);
    std::string_view rest = entry.substr(equals + 1);
    std::string_view faults;
    if (const size_t at = rest.find(",faults="); at != std::string_view::npos) {
        faults = rest.substr(at + 8);
        rest = rest.substr(0, at);
    }
    const std::vector<std::string_view> parts = Split(rest, ',');
    spec.image = parts.front();
    if (spec.image.empty()) {
        *error = "no image for " + spec.device;
        return false;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view option = parts[i];
        if (option == "tray=open") {
            spec.trayOpen = true;
        } else if (option == "nomedium") {
            spec.noMedium = true;
        } else if (option.starts_with("offset=")) {
            std::string_view number = option.substr(7);
            if (number.starts_with('+'))
                number.remove_prefix(1);
            if (number.empty() ||
                std::from_chars(number.begin(), number.end(), spec.offset).ptr != number.end()) {
                *error = "bad offset: " + std::string(option);
                return false;
            }
        } else {
            *error = "unknown option: " + std::string(option);
            return false;
        }
    }
    return faults.empty() || ParseFaultList(faults, spec, error);
}

} // namespace

std::optional<std::vector<DriveSpec>> ParseDriveSpecs(const std::string &text, std::string *error)
{
    std::string reason;
    if (!error)
        error = &reason;
    std::vector<DriveSpec> specs;
    for (std::string_view entry : Split(text, ';')) {
        if (entry.empty())
            continue;
        DriveSpec spec;
        if (!ParseEntry(entry, spec, error))
            return std::nullopt;
        specs.push_back(std::move(spec));
    }
    return specs;
}

} // namespace emulated
