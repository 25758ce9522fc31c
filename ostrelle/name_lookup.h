#pragma once
// A host-name lookup that runs in the background and can be cancelled (getaddrinfo_a).

#include <memory>
#include <netdb.h>
#include <string>
#include <vector>

namespace ostrelle {

class TNameLookup {
  public:
    enum class State { Idle, Running, Done, Failed };

    TNameLookup();
    ~TNameLookup();
    TNameLookup(const TNameLookup &) = delete;
    TNameLookup &operator=(const TNameLookup &) = delete;

    // Starts looking up host for TCP port. Failed at once when the lookup cannot be started; Done
    // at once for a literal address.
    void Start(const std::string &host, unsigned port);

    // Waits at most timeoutMs for the lookup to end and returns the state.
    State Wait(int timeoutMs);

    // Ends the lookup. One the resolver cannot drop at once is handed to a list that is
    // reaped later, so the caller never waits.
    void Cancel();

    // The addresses found, in the resolver's order; empty unless Done.
    const std::vector<const addrinfo *> &Addresses() const { return addresses_; }

    // Waits for every cancelled lookup the resolver still works on (before the library unloads:
    // the resolver writes into their request blocks).
    static void WaitForAbandoned();

  private:
    struct Block;
    static std::vector<std::unique_ptr<Block>> &Abandoned();
    static void ReapAbandoned(bool wait);

    std::unique_ptr<Block> block_;
    State state_ = State::Idle;
    std::vector<const addrinfo *> addresses_;
};

} // namespace ostrelle
