#include "peers/peermenu.h"

#include "common/codec.h"
#include "peers/roster.h"

#include <QMenu>

namespace zn {

void fillPeerMenu(QMenu *menu, const Roster &roster,
                  const std::function<void(const QByteArray &handleName)> &command, bool enabled)
{
    menu->clear();
    for (const TPeer &peer : roster.peers()) {
        QString caption = cp932::decode(peer.HandleName);
        caption.replace(u'&', u"&&"_qs);
        QAction *entry = menu->addAction(caption);
        entry->setCheckable(true);
        entry->setChecked(peer.Absent);
        entry->setEnabled(enabled);
        const QByteArray handle = peer.HandleName;
        QObject::connect(entry, &QAction::triggered, menu, [command, handle] { command(handle); });
    }
}

} // namespace zn
