#pragma once
// The lookup tests' world: the generated disc images in the drives, the local CDDB server as a
// process serving xmcd entries the test writes, and the window shown on the demo disc.

#include "cddb_server_process.h"
#include "quavrel/window/cdrip_test_form.h"
#include "window_test_support.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include <QApplication>
#include <QByteArray>
#include <QTemporaryDir>
#include <QTimer>

// The disc images of this executable, in QUAVREL_DRIVES order.
enum LookupDrive { kDemoDrive = 0, kMixedDrive = 1 };

class LookupTest : public WindowTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The demo disc's ID, as its generated entry is named.
    static QString DemoDiscId();
    // Writes an xmcd entry for a disc laid out like the demo disc. Texts are Windows-1252 bytes.
    void WriteEntry(const QString &category, const QString &discId, const QByteArray &artist,
                    const QByteArray &album, const QList<QByteArray> &titles);
    // The generated demo entry, copied as it is.
    void CopyDemoEntry();
    void WriteSites(const QList<QByteArray> &lines);
    QString EntryDir() const { return entries_.path(); }

    // The server on this test's entries; replies script the next requests in order.
    void StartServer(const std::vector<std::string> &replies = {});
    std::string RequestLog() const { return server_ ? server_->RequestLog() : std::string(); }
    QString ServerAddress() const;

    // The window shown, on the demo disc, asking the local server.
    TCDRipTestForm &OpenWindow();
    TCDRipTestForm &Window() { return *window_; }

    QStringList Names() const;
    QList<Qt::CheckState> CheckStates() const;
    QStringList Column(int column) const;

    std::unique_ptr<ostrelle_test::CddbServerProcess> server_;
    std::unique_ptr<TCDRipTestForm> window_;

  private:
    QTemporaryDir entries_;
};

// The visible top-level widget of type T, or null.
template <typename T> T *Visible()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<T *>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

// Runs action once, from the event loop that a modal dialog or a request's wait runs, as soon as
// ready() holds; stops watching when it goes out of scope.
class Watch {
  public:
    Watch(std::function<bool()> ready, std::function<void()> action);
    bool Fired() const { return fired_; }

  private:
    QTimer timer_;
    bool fired_ = false;
};

// Runs action on the first visible dialog of type T.
template <typename T> std::unique_ptr<Watch> WhenShown(std::function<void(T &)> action)
{
    return std::make_unique<Watch>([] { return Visible<T>() != nullptr; },
                                   [action] { action(*Visible<T>()); });
}
