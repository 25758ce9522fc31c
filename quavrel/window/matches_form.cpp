#include "quavrel/window/matches_form.h"

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/window/progress_form.h"
#include "ui_TfrmMatches.h"

#include <QKeyEvent>

TfrmMatches::TfrmMatches(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      ui(std::make_unique<Ui::TfrmMatches>())
{
    ui->setupUi(this);
    resize(380, 162);
    connect(ui->LbMatches, &QListWidget::itemDoubleClicked, this, &TfrmMatches::LbMatchesDblClick);
    // Enter on a line, which the list takes before the dialog sees the key.
    connect(ui->LbMatches, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        item->setSelected(true);
        LbMatchesDblClick();
    });
}

TfrmMatches::TfrmMatches(QWidget *parent, const TCDDBQuery &Query, bool Utf8) : TfrmMatches(parent)
{
    for (int32_t i = 0; i < Query.Count; ++i) {
        const TCddbMatch &match = Query.Matches[i];
        ui->LbMatches->addItem(QStringLiteral("%1 %2 %3 / %4")
                                   .arg(FromCddbText(match.Category, Utf8), FromCddbText(match.DiscId, Utf8),
                                        FromCddbText(match.Artist, Utf8), FromCddbText(match.Title, Utf8)));
    }
}

TfrmMatches::~TfrmMatches() = default;

int TfrmMatches::ItemIndex() const
{
    // The current row alone is not a choice: the list makes its first line current when it gets
    // the focus.
    const QList<QListWidgetItem *> selected = ui->LbMatches->selectedItems();
    return selected.isEmpty() ? -1 : ui->LbMatches->row(selected.first());
}

void TfrmMatches::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmMatches::FormShow()
{
    CentreOnOwner(*this);
}

void TfrmMatches::LbMatchesDblClick()
{
    close();
}

void TfrmMatches::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (QListWidgetItem *current = ui->LbMatches->currentItem()) {
            current->setSelected(true);
            LbMatchesDblClick();
        }
        return;
    case Qt::Key_Escape:
        cancelled_ = true;
        ui->LbMatches->clearSelection();
        close();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
