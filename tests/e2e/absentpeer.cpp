// Test tool: a peer that is absent with an absence message, built on the
// same core as the desktop program, so that it answers HUZAI_CHECK by the
// program's own rule. Runs until terminated.
// Usage: absentpeer <handle name> <absence message>   ("\n" in the message is a line break)
#include "common/codec.h"
#include "common/frontend.h"
#include "net/identity.h"
#include "platform/unixsignals.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
class QuietFrontend final : public zn::Frontend {
public:
    zn::Answer showMessageBox(const QString &, int) override { return zn::Answer::Ok; }
    void showEventNotice(const QString &, bool) override {}
    void playEventSound(zn::SoundKind) override {}
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}
};
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: absentpeer <handle name> <absence message>\n";
        return 2;
    }
    QuietFrontend frontend;
    zn::Session session(frontend, {});
    session.local.MachineName = zn::GetMachineName();
    session.settings.HandleName = zn::cp932::encode(args.at(1)).bytes;
    session.settings.HuzaiMessage = zn::cp932::encode(args.at(2)).bytes.replace("\\n", "\r\n");
    session.settings.LogSave = false;
    if (!session.startSocketService())
        return 1;
    session.SetAbsentMode(true);
    QTextStream(stdout) << "absent" << Qt::endl;
    zn::UnixSignalWatcher watcher;
    QObject::connect(&watcher, &zn::UnixSignalWatcher::terminationRequested, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
