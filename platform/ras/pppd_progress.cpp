#include "pppd_progress.h"

#include <sys/wait.h>

namespace ras {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view FirstWord(std::string_view text)
{
    const auto start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return {};
    text.remove_prefix(start);
    return text.substr(0, text.find(' '));
}

} // namespace

std::vector<RASCONNSTATE> PppdProgress::Feed(std::string_view bytes)
{
    std::vector<RASCONNSTATE> reached;
    partial_.append(bytes);
    size_t start = 0;
    for (auto end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n', start)) {
        ReadLine(std::string_view(partial_).substr(start, end - start), reached);
        start = end + 1;
    }
    partial_.erase(0, start);
    return reached;
}

void PppdProgress::ReadLine(std::string_view line, std::vector<RASCONNSTATE> &reached)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    // The lines pppd has logged in the same words for decades, in the order a link comes up.
    if (StartsWith(line, "Serial connection established")) {
        Reach(RASCS_DeviceConnected, reached);
    } else if (StartsWith(line, "Using interface ")) {
        interface_ = std::string(FirstWord(line.substr(16)));
        Reach(RASCS_AllDevicesConnected, reached);
    } else if (StartsWith(line, "Connect: ")) {
        // "Connect: ppp0 <--> /dev/ttyS0"
        const auto arrow = line.find(" <--> ");
        if (arrow != std::string_view::npos) {
            interface_ = std::string(FirstWord(line.substr(9, arrow - 9)));
            device_ = std::string(FirstWord(line.substr(arrow + 6)));
        }
        Reach(RASCS_Authenticate, reached);
    } else if (line.find("authentication succeeded") != std::string_view::npos) {
        Reach(RASCS_Authenticated, reached);
    } else if (StartsWith(line, "remote IP address ") || StartsWith(line, "remote LL address ")) {
        // IPCP, or IPv6CP on a link without IPv4, is up.
        Reach(RASCS_Projected, reached);
        connected_ = true;
    }
}

void PppdProgress::Reach(RASCONNSTATE state, std::vector<RASCONNSTATE> &reached)
{
    if (state <= state_)
        return;
    state_ = state;
    reached.push_back(state);
}

uint32_t ErrorFromExit(int waitStatus)
{
    if (WIFSIGNALED(waitStatus))
        return ERROR_DISCONNECTION;
    if (!WIFEXITED(waitStatus))
        return ERROR_UNKNOWN;
    // pppd's documented exit statuses.
    switch (WEXITSTATUS(waitStatus)) {
    case 0: // the peer ended the link before it was fully up
        return ERROR_REMOTE_DISCONNECTION;
    case 2:
        return ERROR_CORRUPT_PHONEBOOK;
    case 3:
        return ERROR_ACCESS_DENIED;
    case 4:
        return ERROR_DEVICETYPE_DOES_NOT_EXIST;
    case 5:
        return ERROR_USER_DISCONNECTION;
    case 6:
        return ERROR_PORT_ALREADY_OPEN;
    case 7:
        return ERROR_PORT_NOT_AVAILABLE;
    case 8:
    case 9:
    case 18:
        return ERROR_FROM_DEVICE;
    case 10:
        return ERROR_PPP_NCP_TERMINATED;
    case 11:
    case 19:
        return ERROR_AUTHENTICATION_FAILURE;
    case 12:
    case 13:
    case 14:
        return ERROR_DISCONNECTION;
    case 15:
        return ERROR_PPP_NO_RESPONSE;
    case 16:
        return ERROR_REMOTE_DISCONNECTION;
    case 17:
        return ERROR_PPP_LOOPBACK_DETECTED;
    default:
        return ERROR_UNKNOWN;
    }
}

} // namespace ras
