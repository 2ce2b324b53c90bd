// The project's own name, addresses and credit, shown by the about box and
// opened by the help menu. The addresses use the .invalid top-level domain,
// which never resolves, so that no copy of the program ever sends anyone to a
// stranger's site or mailbox; a release that has real addresses puts them
// here, and the README names the same ones.
#pragma once

#include "common/version.h"

#include <QString>
#include <QUrl>

namespace zn::maker {

inline QString productName()
{
    return QStringLiteral("Zephinet");
}
// The reverse-domain name of the application under the same placeholder
// domain: the desktop entry's file name, the D-Bus names and the icon's name.
inline QString applicationId()
{
    return QStringLiteral("invalid.zephinet.Zephinet");
}
inline QString homePageUrl()
{
    return QStringLiteral("https://zephinet.invalid/");
}
inline QString mailAddress()
{
    return QStringLiteral("dev@zephinet.invalid");
}
// Release date and maker, the about box's red line.
inline QString creditLine()
{
    return QString(ReleaseDate()).replace(u'-', u'/') + QStringLiteral("  Zephinet developers");
}

inline QUrl homePage()
{
    return QUrl(homePageUrl());
}
inline QUrl mailTo()
{
    return QUrl(QStringLiteral("mailto:") + mailAddress());
}

} // namespace zn::maker
