#pragma once

#include <QUrl>

#include <functional>

namespace zn {

// Hands a web page or a mailto: link to the desktop (QDesktopServices by
// default); a test puts a recorder in its place, so that nothing starts a
// browser or a mail client. The result is not examined: the desktop reports
// a missing browser itself.
using UrlOpener = std::function<bool(const QUrl &)>;

} // namespace zn
