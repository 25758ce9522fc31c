#pragma once
// The chooser offered when the server knows several entries for a disc: one line per match, made
// for one choice. Double-clicking a line, or the close box after selecting one, chooses it.

#include <memory>

#include <QDialog>

struct TCDDBQuery;

namespace Ui {
class TfrmMatches;
}

class TfrmMatches : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmMatches(QWidget *parent = nullptr);
    // One line "Category DiscId Artist / Title" per match of Query, in order; Utf8 when the query
    // asked for level 6 texts.
    TfrmMatches(QWidget *parent, const TCDDBQuery &Query, bool Utf8 = false);
    ~TfrmMatches() override;

    Ui::TfrmMatches *Controls() const { return ui.get(); }

    // The selected line of LbMatches, -1 when none is.
    int ItemIndex() const;
    // Escape closed it: no match is taken, whatever line was selected.
    bool Cancelled() const { return cancelled_; }

    void FormShow();
    void LbMatchesDblClick();

  protected:
    void showEvent(QShowEvent *event) override;
    // Enter takes the current line, Escape takes none.
    void keyPressEvent(QKeyEvent *event) override;

  private:
    std::unique_ptr<Ui::TfrmMatches> ui;
    bool cancelled_ = false;
};
