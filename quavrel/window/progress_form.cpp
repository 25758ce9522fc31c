#include "progress_form.h"

#include "ui_TfrmProgress.h"

TfrmProgress::TfrmProgress(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TfrmProgress>())
{
    ui->setupUi(this);
    setFixedSize(304, 49);
}

TfrmProgress::~TfrmProgress() = default;
