#pragma once

#include <QUrl>

#include <functional>

namespace zn {

// Hands a web page or a mailto: link to the desktop (QDesktopServices by
// default); a test puts a recorder in its place, so that nothing starts a
// browser or a mail client. False when nothing took the link (no browser,
// no mail program): the caller tells the user then.
using UrlOpener = std::function<bool(const QUrl &)>;

} // namespace zn
