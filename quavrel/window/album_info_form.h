#pragma once
// The album and track editing dialog ("Album Information").

#include <memory>

#include <QDialog>

namespace Ui {
class TAlbumInfoForm;
}

class TAlbumInfoForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAlbumInfoForm(QWidget *parent = nullptr);
    ~TAlbumInfoForm() override;

    Ui::TAlbumInfoForm *Controls() const { return ui.get(); }

  private:
    std::unique_ptr<Ui::TAlbumInfoForm> ui;
};
