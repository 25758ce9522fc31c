#pragma once
// The window shown while a CDDB request runs ("Obtenir les données sur les serveurs").

#include <memory>

#include <QDialog>

namespace Ui {
class TfrmProgress;
}

class TfrmProgress : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmProgress(QWidget *parent = nullptr);
    ~TfrmProgress() override;

    Ui::TfrmProgress *Controls() const { return ui.get(); }

  private:
    std::unique_ptr<Ui::TfrmProgress> ui;
};
