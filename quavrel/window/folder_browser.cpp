#include "quavrel/window/folder_browser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

FolderBrowserHook &Hook()
{
    static FolderBrowserHook hook;
    return hook;
}

} // namespace

QString BrowseForFolder(QWidget *parent, const QString &title, const QString &startFolder)
{
    if (Hook())
        return Hook()(title, startFolder);
    // A start folder that no longer exists would leave the chooser in the working directory.
    const QString start = QFileInfo(startFolder).isDir()
                              ? startFolder
                              : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

void SetFolderBrowserHook(FolderBrowserHook hook)
{
    Hook() = std::move(hook);
}
