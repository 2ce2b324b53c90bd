// One running copy per settings file. The copy that runs holds a name on
// the desktop session's message bus, made from its settings file's path,
// and answers there the commands that a desktop binds to keys; a copy
// started later with the same settings file passes its command on to it and
// ends, before it has touched the port or any file.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

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

public slots:
    // The methods that other programs call on the object at objectPath().
    Q_SCRIPTABLE void ShowUserList() { emit commandRequested(CopyCommand::UserList); }
    Q_SCRIPTABLE void Receive() { emit commandRequested(CopyCommand::Receive); }
    Q_SCRIPTABLE void Send() { emit commandRequested(CopyCommand::Send); }

signals:
    void commandRequested(zn::CopyCommand command);

private:
    enum class Answer { Taken, Gone, None };
    Answer passOn(const QString &name, const QList<CopyCommand> &commands) const;

    QString m_applicationId;
    QString m_heldName;
    bool m_registered = false;
};

} // namespace zn
