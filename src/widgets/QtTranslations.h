// Qt's own texts (file dialogs, standard buttons, text-field menus) in the
// window's language, from the translations Qt installs (Debian:
// qt6-translations-l10n).
#pragma once
#include <QString>

namespace keyloom {

// The Qt locale name of a language directory ("German" -> "de", "sc" ->
// "zh_CN"); empty for a directory keyloom does not know.
QString QtLocaleForLanguageDir(const QString& dir);

// Replaces Qt's translation with the one for a language directory ("German").
// English, or a language Qt has no file for, leaves Qt's texts in English.
// True when a translation is in use.
bool UseQtTranslations(const QString& languageDir);

}  // namespace keyloom
