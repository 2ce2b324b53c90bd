#include "peers/peermenu.h"

#include "common/codec.h"
#include "peers/roster.h"
#include "platform/iconstrip.h"

#include <QMenu>

namespace zn {

void fillPeerMenu(QMenu *menu, const Roster &roster, const std::function<void(const QByteArray &handleName)> &command,
                  bool enabled)
{
    menu->clear();
    // Painted once per filling, shared by every entry: a roster of thousands.
    const QIcon present = IconStrip::icon(IconStrip::Present);
    const QIcon absent = IconStrip::icon(IconStrip::Absent);
    for (const TPeer &peer : roster.peers()) {
        QString caption = cp932::decode(peer.HandleName);
        // A menu reads "&" as a mnemonic and a tab as the start of the
        // shortcut column; the name is shown as it is, so neither may act.
        caption.replace(u'&', u"&&"_qs);
        caption.replace(u'\t', u' ');
        QAction *entry = menu->addAction(peer.Absent ? absent : present, caption);
        // Shown in menus even where the desktop hides menu icons: the icon is
        // the only sign of absence here.
        entry->setIconVisibleInMenu(true);
        entry->setEnabled(enabled);
        const QByteArray handle = peer.HandleName;
        QObject::connect(entry, &QAction::triggered, menu, [command, handle] { command(handle); });
    }
}

} // namespace zn
