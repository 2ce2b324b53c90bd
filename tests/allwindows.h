// Every window of the program at once, over a desktop fixture, for the
// tests that look at all of them: the screen language, accessibility.
#pragma once

#include "app/thelpform.h"
#include "app/tversionform.h"
#include "desktopfixture.h"
#include "messaging/thuzaiform.h"
#include "messaging/thuzaisetform.h"
#include "messaging/tlogform.h"
#include "messaging/trecvform.h"
#include "messaging/tsendform.h"
#include "options/toptionform.h"
#include "options/tpasschangeform.h"
#include "options/tpasscheckform.h"
#include "peers/traymenu.h"
#include "platform/tiventform.h"

#include <QMenu>
#include <QPointer>

namespace zn::test {

// The windows of the program, made with the catalogue in force, one each.
struct AllWindows {
    test::DesktopFixture f;
    SendWindowList sendWindows;
    HuzaiWindowList huzaiWindows;
    QByteArray password = "pw";
    QMenu trayMenu;
    TaskMenuItems tray;
    // The windows in this order: main, send, receive, options, log, absence,
    // absence message, password check, password change, notice, help,
    // about, tray menu.
    // Guarded: a window that deletes itself on closing is gone from here too.
    QList<QPointer<QWidget>> windows;

    AllWindows()
    {
        f.startAsMe({{"alice", "PC1", "10.0.0.1", true}});
        windows = {f.form(),
                   new TSendForm(*f.session, f.frontend, sendWindows, 9),
                   new TRecvForm(*f.session, 9),
                   new TOptionForm(*f.session, f.frontend),
                   new TLogForm(*f.session, f.frontend, 9),
                   new THuzaiForm(*f.session, huzaiWindows, 9, "PC1", "alice", "out"),
                   new THuzaiSetForm(*f.session, f.frontend),
                   new TPassCheckForm(password, f.frontend),
                   new TPassChangeForm(password, f.frontend),
                   new TIventForm(f.session->settings, std::nullopt),
                   new THelpForm([](const QUrl &) { return true; }),
                   new TVersionForm([](const QUrl &) { return true; }),
                   &trayMenu};
        fillTaskMenu(&trayMenu, tray, f.session->settings);
        pmTaskMenuPopup(tray, 3);
    }
    ~AllWindows()
    {
        for (const QPointer<QWidget> &w : windows.mid(1, windows.size() - 2))
            delete w.data();
    }
};

} // namespace zn::test
