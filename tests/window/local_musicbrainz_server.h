#pragma once
// A web service on a loopback port, in the test's own process, answering each request with the
// next scripted reply: plain HTTP, or TLS with the test certificate; a reply may announce another
// length than its body's, or drip it. It serves from the event loop that the client's wait runs.

#include <memory>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

struct ScriptedReply {
    int status = 200;
    QByteArray reason = "OK";
    QByteArray body;
    // Accept the request and never answer.
    bool silent = false;
    // More header lines, each ended with "\r\n" ("Location: ...\r\n").
    QByteArray headers{};
    // The Content-Length sent, when it is not the body's: the connection closes after the body.
    qint64 announcedLength = -1;
    // The body a byte at a time, one every dripMs.
    int dripMs = 0;
};

class LocalMusicBrainzServer : public QObject {
  public:
    enum class Transport { Http, Tls };
    explicit LocalMusicBrainzServer(Transport transport = Transport::Http);
    ~LocalMusicBrainzServer() override;

    // The replies of the next requests, in order; a request beyond them fails the test.
    void Script(const std::vector<ScriptedReply> &replies);

    QUrl BaseUrl() const;
    // Each request's target ("/ws/2/discid/...?...") and User-Agent, in order.
    QStringList Targets() const { return targets_; }
    QStringList UserAgents() const { return agents_; }

    // The certificate the TLS server presents, for the client to trust.
    static QSslCertificate TestCertificate();

  private:
    void Accept(QTcpSocket *socket);
    void Answer(QTcpSocket *socket, const QByteArray &head);

    std::unique_ptr<QTcpServer> server_;
    std::vector<ScriptedReply> replies_;
    size_t next_ = 0;
    Transport transport_;
    QStringList targets_;
    QStringList agents_;
};
