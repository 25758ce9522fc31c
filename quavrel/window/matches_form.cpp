#include "matches_form.h"

#include "ui_TfrmMatches.h"

TfrmMatches::TfrmMatches(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      ui(std::make_unique<Ui::TfrmMatches>())
{
    ui->setupUi(this);
    resize(380, 162);
}

TfrmMatches::~TfrmMatches() = default;
