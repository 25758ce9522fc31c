#pragma once
// A one-page HTTP server on a loopback port, served by the test's own event loop: every request
// gets the status and body set last; the paths asked are kept.

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>

class LocalHttpServer {
  public:
    LocalHttpServer();
    // "http://127.0.0.1:PORT"
    QString Address() const;
    void Answer(int Status, const QByteArray &Body);
    const QStringList &Paths() const { return paths_; }

  private:
    QTcpServer server_;
    int status_ = 404;
    QByteArray body_;
    QStringList paths_;
};

// An address where nothing listens.
QString ClosedLocalAddress();
