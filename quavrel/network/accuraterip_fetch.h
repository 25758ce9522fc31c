#pragma once
// Asks an AccurateRip server for a disc's file over plain HTTP. The caller's thread waits in an
// event loop of its own, so its events (a cancel, a medium notice) go on meanwhile. A disc found
// or known to be absent stays so for the life of the service; one that could not be asked is asked
// again next time.

#include "quavrel/engine/verify/accuraterip_lookup.h"

#include <map>

#include <QString>

class QEventLoop;
class QNetworkReply;

struct AccurateRipLimits {
    // Without a byte, and in all.
    int IdleMs = 10000;
    int TotalMs = 20000;
};

class AccurateRipService : public AccurateRipFetcher {
  public:
    explicit AccurateRipService(AccurateRipLimits Limits = {}) : limits_(Limits) {}

    // An empty Server or a disc without audio tracks asks nobody (NoDatabase). 404 is
    // NotInDatabase; no answer within the limits, a refused connection or another HTTP status is
    // Offline; an answer that is no dBAR file (or larger than any) is NoDatabase.
    AccurateRipLookup Fetch(const QString &Server, const AccurateRipIdentity &Ids) override;
    void Abort() override;

  private:
    AccurateRipLimits limits_;
    std::map<QString, AccurateRipLookup> known_;
    QNetworkReply *reply_ = nullptr;
    bool aborted_ = false;
};
