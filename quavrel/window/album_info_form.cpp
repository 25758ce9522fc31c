#include "album_info_form.h"

#include "ui_TAlbumInfoForm.h"

TAlbumInfoForm::TAlbumInfoForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TAlbumInfoForm>())
{
    ui->setupUi(this);
}

TAlbumInfoForm::~TAlbumInfoForm() = default;
