#pragma once
// The window shown while a CDDB request runs ("Obtenir les données sur les serveurs").
//
// It is a winmsg window: Ostrelle's http_ calls send it WM_CDDB_PROGRESS with the request kind and
// the phase, and it shows itself, names the request and the phase, and closes when a read or a
// site fetch has its whole reply. The lookup shows it before each call (Begin), so that the name
// lookup and the connection have it too. "&Abandon", the close box and Escape abort the request
// under way.

#include "platform/winmsg/winmsg.h"

#include <memory>

#include <QDialog>

struct CddbServerTexts;

namespace Ui {
class TfrmProgress;
}

class TfrmProgress : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmProgress(QWidget *parent = nullptr);
    ~TfrmProgress() override;

    Ui::TfrmProgress *Controls() const { return ui.get(); }

    // The handle the http_ calls take; valid for the life of the window.
    winmsg::HWND Handle() const { return window_.Handle(); }

    // The server the caption names when the window shows; not owned, may be null.
    void SetServer(const CddbServerTexts *server) { server_ = server; }

    void FormShow();
    void Button1Click();
    // Shows the window for a request of kind (CDDB_REQUEST_*) about to start, as its first
    // progress message would.
    void Begin(int kind);
    // The user closing the window: the request under way is aborted, like "&Abandon".
    void reject() override;
    // The WM_CDDB_PROGRESS handler; other messages are ignored. Always answers 0.
    winmsg::LRESULT WndProc(uint32_t message, winmsg::WPARAM kind, winmsg::LPARAM phase);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    std::unique_ptr<Ui::TfrmProgress> ui;
    const CddbServerTexts *server_ = nullptr;
    winmsg::ScopedWindow window_;
};

// Centres a window on its owner, as the dialogs of the lookup do when they show.
void CentreOnOwner(QWidget &window);
