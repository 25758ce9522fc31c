#pragma once
// Qt's own texts (the standard buttons, the input box, the folder chooser) in French, like the
// rest of the window.

class QCoreApplication;

// Loads Qt's French catalogue from Qt's translations directory and installs it in application,
// which owns it from then on. False when the catalogue is missing: Qt's texts then stay in English.
bool InstallQtFrenchTranslations(QCoreApplication &application);
