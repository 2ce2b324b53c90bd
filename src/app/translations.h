#pragma once

class QCoreApplication;

namespace zn {

// Qt's own texts (the standard buttons はい, いいえ, キャンセル, the file
// and colour dialogs) in Japanese, whatever the user's locale: every other
// text of the program is Japanese, and a box must not mix "Yes" into it.
// The translator belongs to `app`. False when Qt's Japanese catalogue is not
// installed; the texts then stay English.
bool installQtTranslations(QCoreApplication &app);

} // namespace zn
