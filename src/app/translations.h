#pragma once

#include <QString>

class QCoreApplication;

namespace zn {

// The language of the windows. The program's own texts are written in
// Japanese; English comes from the catalogue compiled into the program.
enum class ScreenLanguage { Japanese, English };

// The desktop's language for messages, as the C library ranks it: LC_ALL,
// then LC_MESSAGES, then LANG ("" when none is set).
QString desktopMessageLocale();

// `choice` is the options' ScreenLanguage setting: 0 Japanese, 1 English,
// anything else follows `desktopLocale`: Japanese under a Japanese locale
// and under C/POSIX (where the program has always been Japanese), English
// under every other language.
ScreenLanguage chosenScreenLanguage(int choice, const QString &desktopLocale);

// Installs the catalogues of `language` in `app`, replacing those of an
// earlier call: for Japanese, Qt's own texts (the standard buttons はい,
// いいえ, キャンセル, the file and colour dialogs), so that a box never mixes
// "Yes" into Japanese; for English, the program's English catalogue (Qt's
// own texts are English already). The translators belong to `app`. False
// when the catalogue is missing; the texts then stay as they are written.
bool installQtTranslations(QCoreApplication &app, ScreenLanguage language);
// The language the desktop asks for.
bool installQtTranslations(QCoreApplication &app);
// The language of the catalogue installed last: Japanese until English has
// been installed. The manual's edition follows it.
ScreenLanguage installedScreenLanguage();

} // namespace zn
