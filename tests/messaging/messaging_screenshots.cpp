// Saves the pictures of the messaging windows for the documentation:
//   messaging_screenshots <directory>
// writes sendform.png, recvform.png (a Japanese message and its quoted
// reply), absence.png (the absence-message editor and a fetched absence
// message), traymenu.png (two unread messages) and cursoranimation.png (the
// circle's frames side by side).
#include "common/codec.h"
#include "desktopfixture.h"
#include "messaging/absencecenter.h"
#include "messaging/messagecenter.h"
#include "messaging/thuzaiform.h"
#include "messaging/thuzaisetform.h"
#include "messaging/trecvform.h"
#include "messaging/tsendform.h"
#include "peers/roster.h"
#include "peers/tanimationform.h"
#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>

using namespace zn;

namespace {
// The cursor animation's frames as the screen shows them: each frame's
// region filled over a light desktop, with the pointer's spot marked.
QImage cursorStrip()
{
    const QList<int> frames{0, 2, 4, 5, 7, 9, 10, 12, 14};
    const int cell = 90;
    QImage strip(cell * int(frames.size()), cell, QImage::Format_RGB32);
    strip.fill(QColor(236, 236, 236));
    QPainter p(&strip);
    for (int i = 0; i < frames.size(); ++i) {
        p.save();
        p.translate(i * cell + cell / 2 - 125, cell / 2 - 125);
        const QRegion region = cursorRegion(frames[i], int(CursorShape::Circle));
        p.setClipRegion(region);
        p.fillRect(region.boundingRect(), QColor::fromHsv((i * 40) % 360, 200, 230));
        p.restore();
        p.setPen(Qt::darkGray);
        p.drawText(QRect(i * cell, cell - 16, cell, 14), Qt::AlignCenter, QString::number(frames[i]));
    }
    return strip;
}
} // namespace

int main(int argc, char **argv)
{
    // Arrival times as a Japanese desktop shows them (午前/午後).
    test::PictureProgram app(argc, argv);
    if (!app.directory())
        return 2;
    const QDir &out = *app.directory();
    test::DesktopFixture desktop;
    Session &session = *desktop.session;
    DesktopFrontend &frontend = desktop.frontend;
    DesktopShell &shell = *desktop.shell;
    session.local.MachineName = "YAMADA-PC";
    session.settings.HandleName = cp932::bytes(u"山田 太郎");
    session.settings.ActivePortNo = 0;
    session.settings.MouseAnimation = 0;
    session.settings.ReturnMessagePlus = true;
    shell.start();
    session.roster().AddOrUpdatePeer(cp932::bytes(u"佐藤 花子"), "SATO-NOTE", "192.168.10.9", false);
    session.roster().AddOrUpdatePeer(cp932::bytes(u"鈴木 一郎"), "SUZUKI-DEV", "192.168.10.103", false);

    MessageCenter &messages = shell.messages();
    TSendForm *send = messages.openSendWindow(
        {{cp932::bytes(u"佐藤 花子"), "SATO-NOTE"}, {cp932::bytes(u"鈴木 一郎"), "SUZUKI-DEV"}},
        u"お疲れさまです。\n15時からの打ち合わせは第2会議室に変更になりました。\nよろしくお願いします。"_qs);

    session.queueMessage("SATO-NOTE", cp932::bytes(u"佐藤 花子"),
                         cp932::bytes(u"資料を共有フォルダに置きました。\r\n確認をお願いします。"));
    session.queueMessage("SUZUKI-DEV", cp932::bytes(u"鈴木 一郎"), cp932::bytes(u"了解です。"));
    session.queueMessage("SUZUKI-DEV", cp932::bytes(u"鈴木 一郎"), cp932::bytes(u"今から向かいます。"));

    QTimer::singleShot(300, &app, [&] {
        send->grab().save(out.filePath(QStringLiteral("sendform.png")));
        send->close();
        // The tray menu as it opens with two messages still unread after one was read.
        messages.miMessageRecvClick();
        shell.pmTaskMenuPopup();
        shell.taskMenu()->popup(QPoint(100, 100));
        QTimer::singleShot(300, &app, [&] {
            shell.taskMenu()->grab().save(out.filePath(QStringLiteral("traymenu.png")));
            shell.taskMenu()->hide();
            // The receive window and the reply with the message quoted, side by side.
            TRecvForm *recv = messages.recvForm();
            emit recv->replyRequested();
            QTimer::singleShot(300, &app, [&, recv] {
                TSendForm *reply = nullptr;
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (auto *s = qobject_cast<TSendForm *>(w); s && s->isVisible())
                        reply = s;
                const QPixmap left = recv->grab();
                const QPixmap right = reply ? reply->grab() : QPixmap();
                QImage both(left.width() + right.width() + 12, qMax(left.height(), right.height()),
                            QImage::Format_RGB32);
                both.fill(Qt::white);
                QPainter p(&both);
                p.drawPixmap(0, 0, left);
                p.drawPixmap(left.width() + 12, 0, right);
                p.end();
                both.save(out.filePath(QStringLiteral("recvform.png")));
                cursorStrip().save(out.filePath(QStringLiteral("cursoranimation.png")));
                // The absence-message editor, and a fetched absence message.
                auto *editor = new THuzaiSetForm(session, frontend);
                editor->show();
                editor->setMessageText(u"ただいま外出中です。\n16時に戻ります。"_qs);
                auto *absent =
                    new THuzaiForm(session, shell.absence().huzaiWindows(), 9, "SATO-NOTE", cp932::bytes(u"佐藤 花子"),
                                   cp932::bytes(u"≪不在メッセージです≫\r\n\r\n会議中です。\r\n"
                                                u"急ぎの用件は内線 2043 まで。"));
                absent->show();
                QTimer::singleShot(300, &app, [&, editor, absent] {
                    const QPixmap a = editor->grab();
                    const QPixmap b = absent->grab();
                    QImage pair(a.width() + b.width() + 12, qMax(a.height(), b.height()), QImage::Format_RGB32);
                    pair.fill(Qt::white);
                    QPainter q(&pair);
                    q.drawPixmap(0, 0, a);
                    q.drawPixmap(a.width() + 12, 0, b);
                    q.end();
                    pair.save(out.filePath(QStringLiteral("absence.png")));
                    editor->close();
                    absent->close();
                    app.quit();
                });
            });
        });
    });
    const int result = app.exec();
    shell.stop();
    return result;
}
