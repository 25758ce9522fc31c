#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageBoxHook &Hook()
{
    static MessageBoxHook hook;
    return hook;
}

} // namespace

void ShowMessageBox(QWidget *parent, const QString &text, const QString &caption)
{
    const QString title = caption.isEmpty() ? QCoreApplication::applicationName() : caption;
    if (Hook()) {
        Hook()(text, title);
        return;
    }
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    Hook() = std::move(hook);
}
