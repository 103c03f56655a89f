#pragma once

class QCoreApplication;
class QLocale;

// Installs the program's translation for the locale, embedded in the program
// (or, for a build being worked on, a .qm file next to it), and Qt's own where
// the system has it. False when the program has no translation for the locale:
// the texts then stay English.
bool installTranslations(QCoreApplication &app, const QLocale &locale);
