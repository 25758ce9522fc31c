#include "local_http_server.h"

#include <QTcpSocket>

LocalHttpServer::LocalHttpServer()
{
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                // The request stays buffered until its head is complete.
                if (!socket->peek(65536).contains("\r\n\r\n"))
                    return;
                const QByteArray request = socket->readAll();
                paths_ << QString::fromLatin1(request.split(' ').value(1));
                QByteArray reply = "HTTP/1.0 " + QByteArray::number(status_) +
                                   (status_ == 200 ? " OK" : " Not Found") +
                                   "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                                   QByteArray::number(body_.size()) + "\r\n\r\n" + body_;
                socket->write(reply);
                socket->disconnectFromHost();
            });
        }
    });
}

QString LocalHttpServer::Address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
}

void LocalHttpServer::Answer(int Status, const QByteArray &Body)
{
    status_ = Status;
    body_ = Body;
}

QString ClosedLocalAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}
