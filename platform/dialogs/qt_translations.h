#pragma once
// Qt's own translations, so standard buttons (Yes, No, OK, Open, Save) and the
// file dialog speak the desktop's language.

#include <QLocale>

class QCoreApplication;
class QTranslator;

// Loads qtbase's translation for locale from Qt's translations folder and
// installs it on app, which owns it. Returns it, or nullptr when Qt has no
// translation for that language (the buttons then stay English).
QTranslator* installQtTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());
