#pragma once
// The links this process dialled: pppd children kept in the foreground ("nodetach") so that
// their log tells how far the link has come and their exit status why it failed.
//
// A child runs in a session of its own with its log in an anonymous memory file, so the link
// outlives the program and never blocks on a reader that has gone. Children are reaped when a
// caller looks at their link, so no zombie is ever mistaken for a live link.

#include "pppd_progress.h"
#include "ras.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ras {

// What the program sees of one link.
struct LinkView {
    HRASCONN handle = 0;
    std::string entry;
    std::string device;
    std::string interface;
    RASCONNSTATE state = RASCS_OpenPort;
};

class OwnLinks {
  public:
    static OwnLinks &Instance();

    // Starts "<pppd> call entry nodetach" (QUAVREL_PPPD names the program, "/usr/sbin/pppd" by
    // default). On 0 handle is the link's, and the link is followed until EndFollow.
    uint32_t Start(const std::string &peersDir, const std::string &entry, HRASCONN &handle);

    struct Progress {
        std::vector<RASCONNSTATE> states; // reached since the last poll
        RASCONNSTATE state = RASCS_OpenPort;
        bool connected = false;
        bool ended = false;
        int waitStatus = 0; // when ended
    };
    // Reads what is new of a followed link.
    Progress Poll(HRASCONN handle);
    // The dial is over: an ended link is forgotten, a live one stays listed.
    void EndFollow(HRASCONN handle);

    // A live link, if this process dialled it.
    std::optional<LinkView> Find(HRASCONN handle);
    std::vector<LinkView> All();

    // Asks pppd to end the link: 0, or ERROR_INVALID_HANDLE when it is not one of ours.
    uint32_t HangUp(HRASCONN handle);

  private:
    struct Link;
    // Reaps the child and reads its log; true while it runs. Called with mutex_ held.
    bool Refresh(Link &link, std::vector<RASCONNSTATE> *reached);
    LinkView View(const Link &link) const;

    std::mutex mutex_;
    std::map<HRASCONN, Link> links_;
};

} // namespace ras
