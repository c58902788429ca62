#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace language {

// Base name of the translation file for a Windows locale identifier. Only the
// four identifiers 1028, 1041, 2052 and 3076 pick the Chinese interface
// (Japanese, 1041, included); every other value gets the English one.
QString translationBaseName(quint32 lcid);

// The Windows locale identifier of a language and territory; 0 when the pair
// is not in our table and the language has no primary identifier either.
quint32 lcidForLocale(QLocale::Language language, QLocale::Country country);

// The system default locale as a Windows locale identifier: the system call
// on Windows, the system locale through lcidForLocale elsewhere.
quint32 systemDefaultLcid();

// Loads ":/i18n/<base name>" into the translator and installs it in the
// application when the load succeeds. Returns whether it was installed.
bool installTranslation(QCoreApplication &app, QTranslator &translator, quint32 lcid);

} // namespace language
