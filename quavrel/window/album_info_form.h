#pragma once
// The album and track editing dialog ("Album Information"). Each showing can be undone: Cancel or
// the close box put back the three texts it opened with, OK keeps the edits.

#include <memory>

#include <QDialog>
#include <QString>

namespace Ui {
class TAlbumInfoForm;
}

class TAlbumInfoForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAlbumInfoForm(QWidget *parent = nullptr);
    ~TAlbumInfoForm() override;

    Ui::TAlbumInfoForm *Controls() const { return ui.get(); }

    void FormShow();
    void btnOKClick();
    void btnCancelClick();
    void FormClose();

    // Every way of closing (OK, Cancel, the close box, Escape) ends here.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    std::unique_ptr<Ui::TAlbumInfoForm> ui;
    QString savedArtist_;
    QString savedAlbum_;
    QString savedTitle_;
    bool accepted_ = false;
    bool showing_ = false;
};
