// Failed writes are told once per command. A command (quitting, one send,
// applying the options, one received message) opens a scope; within it a
// text is shown once however many writes fail with it: quitting on a full
// disk writes seven window placements and says "cannot write" once, a
// message sent to five users on a full disk gives one log notice. A modal
// box runs a nested event loop, and what arrives there is a command of its
// own: only the innermost scope counts. Outside every scope each failure is
// shown.
#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace zn {

class Frontend;

class FailureReports {
public:
    explicit FailureReports(Frontend &frontend) : m_frontend(frontend) {}

    class [[nodiscard]] Command {
    public:
        explicit Command(FailureReports &reports) : m_reports(reports) { m_reports.m_shown.append(QSet<QString>()); }
        ~Command() { m_reports.m_shown.removeLast(); }
        Command(const Command &) = delete;
        Command &operator=(const Command &) = delete;

    private:
        FailureReports &m_reports;
    };

    // True when `text` has not been told in the innermost command yet; it
    // counts as told from now on.
    bool firstInCommand(const QString &text);

    // The important notice, once per command.
    void notice(const QString &text);

private:
    Frontend &m_frontend;
    QList<QSet<QString>> m_shown;
};

} // namespace zn
