// Recording stand-ins for what the network classes talk to.
#pragma once

#include "common/frontend.h"
#include "common/logwriter.h"
#include "net/transport.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zn::test {

// One shared record of calls, so that tests can check their order.
using CallLog = QList<QByteArray>;

struct SentDatagram {
    quint32 ipv4 = 0;
    QByteArray datagram;
    friend bool operator==(const SentDatagram &, const SentDatagram &) = default;
};

class RecordingTransport final : public DatagramTransport {
public:
    explicit RecordingTransport(CallLog *calls = nullptr) : m_calls(calls) {}

    bool sendDatagram(quint32 ipv4, const QByteArray &datagram) override
    {
        if (m_calls)
            m_calls->append(QByteArrayLiteral("send"));
        ++attempts;
        if (ipv4 == failingAddress || (failAtAttempt > 0 && attempts == failAtAttempt))
            return false;
        sent.append({ipv4, datagram});
        return true;
    }

    // The texts of the one-datagram messages sent so far.
    QList<QByteArray> messages() const
    {
        QList<QByteArray> out;
        for (const SentDatagram &d : sent)
            out.append(d.datagram.mid(6, d.datagram.indexOf('\0', 1) - 6));
        return out;
    }

    QList<quint32> destinations() const
    {
        QList<quint32> out;
        for (const SentDatagram &d : sent)
            out.append(d.ipv4);
        return out;
    }

    QList<SentDatagram> sent;
    int attempts = 0;
    quint32 failingAddress = 0; // 0: none (0.0.0.0 is never a destination)
    int failAtAttempt = 0;      // 1-based; 0: none

private:
    CallLog *m_calls;
};

class RecordingLog final : public LogWriter {
public:
    explicit RecordingLog(CallLog *calls = nullptr) : m_calls(calls) {}

    bool WriteLog(const QByteArray &sender, const QByteArray &addressee, const QByteArray &text) override
    {
        if (m_calls)
            m_calls->append(QByteArrayLiteral("log"));
        records.append({sender, addressee, text});
        return true;
    }

    QList<QList<QByteArray>> records;

private:
    CallLog *m_calls;
};

class RecordingFrontend final : public Frontend {
public:
    struct Box {
        QString text;
        int flags;
    };

    Answer showMessageBox(const QString &text, int flags) override
    {
        boxes.append({text, flags});
        return Answer::Ok;
    }
    void showEventNotice(const QString &, bool) override {}
    void playEventSound(SoundKind) override {}
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}

    QList<Box> boxes;
};

} // namespace zn::test
