#include "quavrel/window/matches_form.h"

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/window/progress_form.h"
#include "ui_TfrmMatches.h"

TfrmMatches::TfrmMatches(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      ui(std::make_unique<Ui::TfrmMatches>())
{
    ui->setupUi(this);
    resize(380, 162);
    connect(ui->LbMatches, &QListWidget::itemDoubleClicked, this, &TfrmMatches::LbMatchesDblClick);
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
