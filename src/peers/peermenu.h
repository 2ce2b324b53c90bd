#pragma once

#include <QByteArray>

#include <functional>

class QMenu;

namespace zn {

class Roster;

// Fills `menu` with one entry per peer in row order: the handle name as the
// caption with each "&" doubled (no mnemonic from the network) and each tab
// a blank (no shortcut column), and as its icon the user list's star for a
// present or an absent peer (IconStrip::Present, IconStrip::Absent). Menus
// are filled when they open, never on each roster change, so a roster of
// thousands costs nothing until then. The command receives the raw handle
// name of the chosen entry; when `enabled` is false the entries are shown
// but cannot be chosen.
void fillPeerMenu(QMenu *menu, const Roster &roster, const std::function<void(const QByteArray &handleName)> &command,
                  bool enabled);

} // namespace zn
