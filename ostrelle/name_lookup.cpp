#include "name_lookup.h"

#include <ctime>
#include <signal.h>

namespace ostrelle {

// Everything the resolver touches while it works: it must outlive the lookup.
struct TNameLookup::Block {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};

    ~Block()
    {
        if (request.ar_result)
            freeaddrinfo(request.ar_result);
    }
};

namespace {

timespec Milliseconds(int ms)
{
    return timespec{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
}

} // namespace

std::vector<std::unique_ptr<TNameLookup::Block>> &TNameLookup::Abandoned()
{
    // Never destroyed: static destructors run in no useful order at unload, and the client's
    // destructor empties it first.
    static auto *blocks = new std::vector<std::unique_ptr<Block>>;
    return *blocks;
}

void TNameLookup::WaitForAbandoned()
{
    ReapAbandoned(true);
}

void TNameLookup::ReapAbandoned(bool wait)
{
    auto &blocks = Abandoned();
    for (auto it = blocks.begin(); it != blocks.end();) {
        gaicb *request = &(*it)->request;
        if (wait) {
            while (gai_error(request) == EAI_INPROGRESS)
                gai_suspend(&request, 1, nullptr);
        }
        if (gai_error(request) == EAI_INPROGRESS) {
            ++it;
        } else {
            it = blocks.erase(it);
        }
    }
}

TNameLookup::TNameLookup() = default;

TNameLookup::~TNameLookup()
{
    Cancel();
    ReapAbandoned(false);
}

void TNameLookup::Start(const std::string &host, unsigned port)
{
    Cancel();
    ReapAbandoned(false);
    addresses_.clear();
    block_ = std::make_unique<Block>();
    block_->host = host;
    block_->service = std::to_string(port);
    block_->hints.ai_family = AF_UNSPEC;
    block_->hints.ai_socktype = SOCK_STREAM;
    block_->hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    // A literal address is taken at once, with no thread of the resolver's behind it.
    addrinfo literal = block_->hints;
    literal.ai_flags |= AI_NUMERICHOST;
    if (getaddrinfo(block_->host.c_str(), block_->service.c_str(), &literal, &block_->request.ar_result) ==
        0) {
        for (const addrinfo *address = block_->request.ar_result; address; address = address->ai_next)
            addresses_.push_back(address);
        state_ = State::Done;
        return;
    }
    block_->request.ar_result = nullptr;
    block_->request.ar_name = block_->host.c_str();
    block_->request.ar_service = block_->service.c_str();
    block_->request.ar_request = &block_->hints;
    gaicb *list[] = {&block_->request};
    sigevent notify{};
    notify.sigev_notify = SIGEV_NONE;
    state_ = getaddrinfo_a(GAI_NOWAIT, list, 1, &notify) == 0 ? State::Running : State::Failed;
    if (state_ == State::Failed)
        block_.reset();
}

TNameLookup::State TNameLookup::Wait(int timeoutMs)
{
    if (state_ != State::Running)
        return state_;
    gaicb *request = &block_->request;
    if (gai_error(request) == EAI_INPROGRESS) {
        const timespec timeout = Milliseconds(timeoutMs);
        gai_suspend(&request, 1, &timeout);
    }
    const int result = gai_error(request);
    if (result == EAI_INPROGRESS)
        return state_;
    if (result == 0 && request->ar_result) {
        for (const addrinfo *address = request->ar_result; address; address = address->ai_next)
            addresses_.push_back(address);
        state_ = State::Done;
    } else {
        state_ = State::Failed;
    }
    return state_;
}

void TNameLookup::Cancel()
{
    if (state_ == State::Running) {
        if (gai_cancel(&block_->request) == EAI_NOTCANCELED && gai_error(&block_->request) == EAI_INPROGRESS)
            Abandoned().push_back(std::move(block_));
    }
    block_.reset();
    addresses_.clear();
    state_ = State::Idle;
}

} // namespace ostrelle
