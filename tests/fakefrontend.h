// A Frontend that records every call, for tests of the core.
#pragma once

#include "common/frontend.h"
#include "net/messagesink.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace zn::test {

// Also the messaging side of the dispatcher, so that one object records all.
class FakeFrontend : public Frontend, public MessageSink {
public:
    struct Box {
        QString text;
        int flags;
    };
    struct Notice {
        QString text;
        bool important;
    };
    struct Arrival {
        QByteArray machineName;
        QByteArray handleName;
        QByteArray text;
    };

    QList<Box> boxes;
    QList<Notice> notices;
    QList<SoundKind> sounds;
    QList<Arrival> messages;
    QList<QByteArray> messageSources; // the datagram source of each of `messages`
    QList<Arrival> absenceWindows;
    QList<QByteArray> confirmations;
    // Every call by name, in order: "box", "notice", "sound", "message", "absence".
    QList<QByteArray> calls;

    // Boxes open right now; a box runs a nested event loop in the program.
    int openBoxes = 0;
    // Runs while a box is "open", to simulate datagrams handled in its loop.
    std::function<void()> whileBoxOpen;
    Answer nextAnswer = Answer::Ok;
    // Decides whether an absence answer was asked for (source address,
    // machine name); without one every answer was.
    std::function<bool(const QByteArray &, const QByteArray &)> absenceAnswerAsked;

    Answer showMessageBox(const QString &text, int flags) override
    {
        boxes.append({text, flags});
        calls.append("box");
        ++openBoxes;
        if (whileBoxOpen)
            whileBoxOpen();
        --openBoxes;
        return nextAnswer;
    }

    void showEventNotice(const QString &text, bool important) override
    {
        notices.append({text, important});
        calls.append("notice");
    }

    void playEventSound(SoundKind kind) override
    {
        sounds.append(kind);
        calls.append("sound");
    }

    void AddRecvMessage(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text,
                        const QByteArray &senderAddress) override
    {
        messages.append({machineName, handleName, text});
        messageSources.append(senderAddress);
        calls.append("message");
    }

    void ReadConfirmed(const QByteArray &readerHandle) override
    {
        confirmations.append(readerHandle);
        calls.append("confirmed");
    }

    bool AcceptAbsenceAnswer(const QByteArray &sourceAddress, const QByteArray &machineName, const QByteArray &,
                             const QByteArray &) override
    {
        return !absenceAnswerAsked || absenceAnswerAsked(sourceAddress, machineName);
    }

    void openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text) override
    {
        absenceWindows.append({machineName, handleName, text});
        calls.append("absence");
    }

    void clear()
    {
        boxes.clear();
        notices.clear();
        sounds.clear();
        messages.clear();
        messageSources.clear();
        absenceWindows.clear();
        confirmations.clear();
        calls.clear();
    }
};

} // namespace zn::test
