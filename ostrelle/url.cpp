#include "url.h"

#include <cctype>

namespace ostrelle {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool ParsePort(std::string_view text, uint16_t &port)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

std::string HttpUrl::HostInUrl() const
{
    return Host.find(':') != std::string::npos ? "[" + Host + "]" : Host;
}

bool HasUnsafeByte(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

bool SplitUrl(std::string_view url, HttpUrl &parts, std::string &error)
{
    if (HasUnsafeByte(url)) {
        error = "URL holds a control character or a space";
        return false;
    }
    std::string_view rest = url;
    if (const auto scheme = rest.find("://"); scheme != std::string_view::npos) {
        if (!EqualsIgnoringCase(rest.substr(0, scheme), "http")) {
            error = "unsupported URL scheme";
            return false;
        }
        rest.remove_prefix(scheme + 3);
    }
    const auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    const std::string_view path =
        slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);

    HttpUrl result;
    std::string_view portText;
    bool hasPort = false;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos ||
            (close + 1 < authority.size() && authority[close + 1] != ':')) {
            error = "bad IPv6 address in URL";
            return false;
        }
        hasPort = close + 1 < authority.size();
        portText = hasPort ? authority.substr(close + 2) : std::string_view();
        authority = authority.substr(1, close - 1);
    } else if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
        hasPort = true;
        portText = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
    }
    if (hasPort && !ParsePort(portText, result.Port)) {
        error = "bad port in URL";
        return false;
    }
    if (authority.empty()) {
        error = "no host in URL";
        return false;
    }
    result.Host = authority;
    result.Path = path;
    parts = std::move(result);
    return true;
}

std::string ResolveLocation(const HttpUrl &from, std::string_view location)
{
    if (location.find("://") != std::string_view::npos)
        return std::string(location);
    const std::string origin = "http://" + from.HostInUrl() + ":" + std::to_string(from.Port);
    if (location.starts_with("//"))
        return "http:" + std::string(location);
    if (location.starts_with("/"))
        return origin + std::string(location);
    const std::string_view path = std::string_view(from.Path).substr(0, from.Path.find('?'));
    return origin + std::string(path.substr(0, path.rfind('/') + 1)) + std::string(location);
}

} // namespace ostrelle
