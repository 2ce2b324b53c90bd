#include "cli/sendcommand.h"

#include "cli/commandline.h"
#include "net/messenger.h"
#include "session/messagecheck.h"
#include "session/session.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace zn {

SendCommand::SendCommand(Session &session, const QStringList &users, QByteArray text, bool json, QTextStream &out,
                         QObject *parent)
    : PeerCommand(session, users, json, out, "unconfirmed", parent), m_text(std::move(text))
{
    connect(&session, &Session::readConfirmed, this, &SendCommand::readConfirmed);
}

void SendCommand::act()
{
    resolve();
    m_sentAt.start();
    reachAll();
}

bool SendCommand::reach(Recipient &r)
{
    if (!m_session.messenger().SendMessageTo(m_text, r.machineName))
        return false;
    r.state = Recipient::Waiting;
    print(r, "sent");
    return true;
}

void SendCommand::readConfirmed(const QByteArray &readerHandle)
{
    // The confirmation names only the reader's handle name: it settles the
    // first sent recipient of that name still waiting.
    for (Recipient &r : m_recipients) {
        if (r.state == Recipient::Waiting && r.handleName == readerHandle) {
            r.state = Recipient::Confirmed;
            r.seconds = double(m_sentAt.elapsed()) / 1000.0;
            print(r, "confirmed");
            if (allReplied())
                emit repliedByAll();
            return;
        }
    }
}

QString TextFromInput(const QByteArray &input)
{
    QString text = QString::fromUtf8(input);
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    else if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

int runSend(const CliOptions &options, const QStringList &users, QTextStream &out, QTextStream &err)
{
    QString text;
    if (options.text) {
        text = *options.text;
    } else {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            err << "zephinet-cli: standard input cannot be read" << Qt::endl;
            return ExitUsage;
        }
        text = TextFromInput(input.readAll());
    }
    const CheckedText checked = CheckMessageText(text);
    if (!checked.ok()) {
        err << "zephinet-cli: " << checked.message << Qt::endl;
        return ExitUsage;
    }
    if (users.size() > MaxRecipients) {
        err << "zephinet-cli: " << TooManyRecipientsText() << Qt::endl;
        return ExitUsage;
    }
    return RunPeerCommand(
        options, users, options.wait,
        [&](Session &session) {
            return std::make_unique<SendCommand>(session, users, checked.bytes, options.json, out);
        },
        err);
}

} // namespace zn
