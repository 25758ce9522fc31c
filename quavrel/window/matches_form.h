#pragma once
// The chooser offered when the server knows several entries for a disc.

#include <memory>

#include <QDialog>

namespace Ui {
class TfrmMatches;
}

class TfrmMatches : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmMatches(QWidget *parent = nullptr);
    ~TfrmMatches() override;

    Ui::TfrmMatches *Controls() const { return ui.get(); }

  private:
    std::unique_ptr<Ui::TfrmMatches> ui;
};
