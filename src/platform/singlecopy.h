// One running copy per settings file. The copy that runs holds a name on
// the desktop session's message bus, made from its settings file's path,
// and answers there the commands that a desktop binds to keys; a copy
// started later with the same settings file passes its command on to it and
// ends, before it has touched the port or any file.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QDBusMessage;

namespace zn {

enum class CopyCommand { UserList, Receive, Send };

class SingleCopy : public QObject {
    Q_OBJECT
public:
    // `applicationId` is the desktop entry's name; the bus name and the
    // interface are made from it.
    explicit SingleCopy(QString applicationId, QObject *parent = nullptr);
    ~SingleCopy() override;

    // The bus name of the copy that uses the settings file at `settingsPath`:
    // "<applicationId>.i" and 32 hexadecimal digits of a hash of the file's
    // absolute path with every link resolved, so that one file reached by
    // two paths is one copy.
    static QString busName(const QString &applicationId, const QString &settingsPath);
    QString objectPath() const;
    QString interfaceName() const;

    enum class Claim {
        Running, // this copy holds the name and answers the commands
        Passed,  // another copy holds it and took `commands` (none: the user list): end now
        Alone,   // no session bus, or a holder that does not answer: run without the name
    };
    // The object is in place before the name is asked for, so that a copy
    // that loses the race finds the winner ready to answer. A copy that ends
    // between the refusal and the call is raced again.
    Claim claim(const QString &settingsPath, const QList<CopyCommand> &commands);

    // The name is given back, so that a start while this copy shuts down
    // runs a copy of its own rather than asking one that is going.
    void release();

    // The commands as options of the command line: "--user-list",
    // "--receive", "--send". They leave `parameters`.
    static QList<CopyCommand> takeCommands(QStringList &parameters);

    // How this copy checks its segment for the companion's diagnosis:
    // `reply` takes the finding as JSON, or nothing when this copy does not
    // hold `port`. It may be called later, from the event loop.
    using SegmentCheck =
        std::function<void(quint16 port, int seconds, std::function<void(std::optional<QString> json)> reply)>;
    void setSegmentCheck(SegmentCheck check) { m_segmentCheck = std::move(check); }
    // The longest segment check another program may ask for.
    static constexpr int MaxCheckSeconds = 60;

public slots:
    // The methods that other programs call on the object at objectPath().
    Q_SCRIPTABLE void ShowUserList() { emit commandRequested(CopyCommand::UserList); }
    Q_SCRIPTABLE void Receive() { emit commandRequested(CopyCommand::Receive); }
    Q_SCRIPTABLE void Send() { emit commandRequested(CopyCommand::Send); }
    // The segment check of the diagnosis, made by the copy that holds the
    // port: its finding as JSON, answered once the check has listened.
    Q_SCRIPTABLE QString CheckSegment(int port, int seconds, const QDBusMessage &message);

signals:
    void commandRequested(zn::CopyCommand command);

private:
    enum class Answer { Taken, Gone, None };
    Answer passOn(const QString &name, const QList<CopyCommand> &commands) const;

    QString m_applicationId;
    QString m_heldName;
    SegmentCheck m_segmentCheck;
    bool m_registered = false;
};

} // namespace zn
