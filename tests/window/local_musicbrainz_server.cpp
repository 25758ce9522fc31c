#include "local_musicbrainz_server.h"

#include <QFile>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray TlsFile(const char *name)
{
    QFile file(qEnvironmentVariable("QUAVREL_SOURCE_DIR") + QStringLiteral("/tests/data/tls/") +
               QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return file.readAll();
}

} // namespace

QSslCertificate LocalMusicBrainzServer::TestCertificate()
{
    return QSslCertificate(TlsFile("localhost.crt"), QSsl::Pem);
}

LocalMusicBrainzServer::LocalMusicBrainzServer(Transport transport) : transport_(transport)
{
    if (transport == Transport::Tls) {
        auto tls = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(TestCertificate());
        config.setPrivateKey(QSslKey(TlsFile("localhost.key"), QSsl::Ec, QSsl::Pem));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        tls->setSslConfiguration(config);
        server_ = std::move(tls);
    } else {
        server_ = std::make_unique<QTcpServer>();
    }
    EXPECT_TRUE(server_->listen(QHostAddress::LocalHost)) << server_->errorString().toStdString();
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = server_->nextPendingConnection())
            Accept(socket);
    });
}

LocalMusicBrainzServer::~LocalMusicBrainzServer() = default;

void LocalMusicBrainzServer::Script(const std::vector<ScriptedReply> &replies)
{
    replies_.insert(replies_.end(), replies.begin(), replies.end());
}

QUrl LocalMusicBrainzServer::BaseUrl() const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2")
                    .arg(transport_ == Transport::Tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(server_->serverPort()));
}

void LocalMusicBrainzServer::Accept(QTcpSocket *socket)
{
    socket->setParent(this);
    auto head = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
        head->append(socket->readAll());
        if (head->contains("\r\n\r\n") && !head->isEmpty()) {
            const QByteArray request = *head;
            head->clear();
            Answer(socket, request);
        }
    });
}

void LocalMusicBrainzServer::Answer(QTcpSocket *socket, const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    targets_ << QString::fromUtf8(requestLine.value(1));
    for (const QByteArray &line : lines)
        if (line.toLower().startsWith("user-agent:"))
            agents_ << QString::fromUtf8(line.mid(11).trimmed());
    if (next_ >= replies_.size()) {
        ADD_FAILURE() << "unscripted request " << requestLine.value(1).toStdString();
        socket->disconnectFromHost();
        return;
    }
    const ScriptedReply &reply = replies_[next_++];
    if (reply.silent)
        return;
    const qint64 length = reply.announcedLength >= 0 ? reply.announcedLength : reply.body.size();
    socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason +
                  "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(length) + "\r\n" + reply.headers + "Connection: close\r\n\r\n");
    if (reply.dripMs <= 0) {
        socket->write(reply.body);
        socket->disconnectFromHost();
        return;
    }
    auto *drip = new QTimer(socket);
    connect(drip, &QTimer::timeout, socket, [socket, drip, body = reply.body, sent = qsizetype{0}]() mutable {
        if (sent == body.size() || socket->state() != QAbstractSocket::ConnectedState) {
            drip->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(body.mid(sent++, 1));
    });
    drip->start(reply.dripMs);
}
