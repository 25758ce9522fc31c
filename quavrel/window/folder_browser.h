#pragma once
// The folder browser, behind a seam so that tests can answer it without a modal loop.

#include <functional>

#include <QString>

class QWidget;

// Asks the user for a folder, starting in startFolder; an empty text when the user cancels.
QString BrowseForFolder(QWidget *parent, const QString &title, const QString &startFolder);

// Replaces the browser: the hook gets the title and the start folder, and answers. An empty hook
// restores the browser.
using FolderBrowserHook = std::function<QString(const QString &title, const QString &startFolder)>;
void SetFolderBrowserHook(FolderBrowserHook hook);
