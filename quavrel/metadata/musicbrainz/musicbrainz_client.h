#pragma once
// Asks the web service which releases hold a disc: GET /ws/2/discid/<id> and, when the ID is
// unknown, the same with the disc's toc, for releases with the same track layout.
//
// Lookup runs on the caller's thread and returns when the lookup is over; it runs the event loop
// while it waits, so a window stays responsive and Abort can be called from a handler. Requests
// keep one a second for the whole process; each fails once no byte has moved for the idle limit,
// and once the total limit has passed since it was asked, however the server drips its answer. A
// 429 or 503 with Retry-After is asked again after the time the service names, while that stays
// within the total limit. QtCore and QtNetwork only.

#include "quavrel/disc/disc.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_release.h"

#include <functional>
#include <optional>

#include <QList>
#include <QNetworkAccessManager>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

class QEventLoop;
class QNetworkReply;

struct MusicBrainzOptions {
    // The service's address; requests go to its /ws/2/ below it. http and https only.
    QUrl BaseUrl{QStringLiteral("https://musicbrainz.org")};
    // The contact the service asks programs to name in their User-Agent.
    QString Contact = QStringLiteral("quavrel@example.org");
    // Without a byte, and for a request in all (its spacing and retries included). Tests lower them.
    int IdleLimitMs = 30000;
    int TotalLimitMs = 60000;
    // Trusted beside the system's authorities. Only tests set it, for a certificate of their own.
    QList<QSslCertificate> ExtraCaCertificates;
};

enum class MusicBrainzPhase { Sending, Receiving, Received };

struct MusicBrainzResult {
    enum class Outcome { Found, NotFound, Failed, Aborted };
    Outcome Result = Outcome::Failed;
    // Why a Failed or Aborted lookup ended, in French ("délai dépassé", "statut HTTP 503 ...").
    QString Reason;
    QString DiscId;
    // The releases came from the toc request: same layout, not this disc's ID.
    bool ByToc = false;
    std::vector<MusicBrainzRelease> Releases;
};

class MusicBrainzClient {
  public:
    explicit MusicBrainzClient(MusicBrainzOptions Options = {});
    ~MusicBrainzClient();
    MusicBrainzClient(const MusicBrainzClient &) = delete;
    MusicBrainzClient &operator=(const MusicBrainzClient &) = delete;

    const MusicBrainzOptions &Options() const { return options_; }
    void SetOptions(const MusicBrainzOptions &Options);

    // "Quavrel/1.1 ( contact )".
    QString UserAgent() const;

    MusicBrainzResult Lookup(const Disc &Disc);
    // Ends the lookup under way with Outcome::Aborted; nothing when none runs.
    void Abort();
    bool Running() const { return running_; }

    // Each request's phases, on the caller's thread, from inside Lookup.
    std::function<void(MusicBrainzClient &Sender, MusicBrainzPhase Phase)> OnProgress;

  private:
    struct Reply {
        enum class Kind { Ok, NotFound, Failed, Aborted };
        Kind Result = Kind::Failed;
        QByteArray Body;
        QString Reason;
    };
    struct Ending {
        bool idle = false;
        bool total = false;
        bool tooLarge = false;
        QString tlsReason;
    };
    Reply Get(const QUrl &url);
    // One exchange with the server, ended after RemainingMs at the latest. RetryAfter is set when
    // the service asked for the request again later.
    Reply Send(const QUrl &url, qint64 RemainingMs, std::optional<qint64> &RetryAfter);
    Reply Finish(QNetworkReply &reply, const Ending &ending) const;
    // Waits Ms in the event loop; false when the lookup was aborted meanwhile.
    bool Pause(qint64 Ms);
    QUrl DiscUrl(const QString &discId, const QString &toc) const;
    void Progress(MusicBrainzPhase phase);

    MusicBrainzOptions options_;
    QNetworkAccessManager manager_;
    QEventLoop *loop_ = nullptr;
    QNetworkReply *current_ = nullptr;
    bool aborted_ = false;
    bool running_ = false;
};
