#include "folder_browser.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace {

FolderBrowserHook &Hook()
{
    static FolderBrowserHook hook;
    return hook;
}

} // namespace

QString BrowseForFolder(QWidget *parent, const QString &title)
{
    if (Hook())
        return Hook()(title);
    // Opens at the desktop with nothing preselected.
    return QFileDialog::getExistingDirectory(
        parent, title, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
        QFileDialog::ShowDirsOnly);
}

void SetFolderBrowserHook(FolderBrowserHook hook)
{
    Hook() = std::move(hook);
}
