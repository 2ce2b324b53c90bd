#include "cli/doctorcommand.h"

#include "cli/commandline.h"
#include "diagnosis/diagnosis.h"
#include "net/identity.h"
#include "platform/unixsignals.h"
#include "settings/sendiplist.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

#include <optional>

namespace zn {

namespace {
constexpr int DefaultDoctorSeconds = 3;

// "problem: firewall: first line", the further lines of what was found, what
// it means and what to do indented below it.
void printFinding(const Finding &f, QTextStream &out)
{
    const QStringList summary = f.summary.split(u'\n');
    out << VerdictName(f.verdict) << ": " << f.check << ": " << summary.first() << Qt::endl;
    for (qsizetype i = 1; i < summary.size(); ++i)
        out << "  " << summary[i] << Qt::endl;
    if (!f.meaning.isEmpty())
        out << "  " << f.meaning << Qt::endl;
    if (!f.action.isEmpty())
        out << "  " << QCoreApplication::translate("Diagnosis", "対処: ") << f.action << Qt::endl;
}
// The copy of the desktop program that holds `port`, asked over the session
// bus for the segment check it can make and this process cannot.
std::optional<Finding> askRunningCopy(quint16 port, int seconds)
{
    // The desktop program's application id, from which its bus names, object
    // and interface are made.
    const QString id = QStringLiteral("invalid.zephinet.Zephinet");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return std::nullopt;
    const QStringList names = bus.interface()->registeredServiceNames().value();
    for (const QString &name : names) {
        if (!name.startsWith(id + QStringLiteral(".i")))
            continue;
        QDBusMessage call = QDBusMessage::createMethodCall(name, u'/' + QString(id).replace(u'.', u'/'),
                                                           id + QStringLiteral(".Commands"), u"CheckSegment"_qs);
        call << int(port) << seconds;
        const QDBusMessage reply = bus.call(call, QDBus::Block, (seconds + 10) * 1000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
            continue;
        const QJsonDocument json = QJsonDocument::fromJson(reply.arguments().first().toString().toUtf8());
        if (std::optional<Finding> finding = FindingFromJson(json.object()); finding && finding->check == u"segment")
            return finding;
    }
    return std::nullopt;
}
} // namespace

int runDoctor(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    DiagnosisOptions diagnosis;
    diagnosis.port = options.port;
    diagnosis.handleName = options.handleName;
    diagnosis.seconds = options.seconds < 0 ? DefaultDoctorSeconds : qMax(options.seconds, 1);
    for (const QString &address : options.sendIp)
        diagnosis.sendIp.append(address.toLatin1());
    // The desktop program's settings file, read only, for what the command
    // line does not say.
    const QString path = ProgramDirectory() + SettingsFileName({});
    if (QFileInfo::exists(path) && (!options.portGiven || options.sendIp.isEmpty())) {
        const Settings settings = SettingsStore(path).load(GetMachineName(), ProgramDirectory());
        if (!options.portGiven)
            diagnosis.port = settings.PortNo;
        if (options.sendIp.isEmpty())
            diagnosis.sendIp = SplitSendIP(settings.SendIP);
    }

    Diagnosis doctor(diagnosis);
    QEventLoop loop;
    UnixSignalWatcher signalWatcher;
    bool interrupted = false;
    QObject::connect(&doctor, &Diagnosis::finished, &loop, &QEventLoop::quit);
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &loop, [&] {
        interrupted = true;
        loop.quit();
    });
    doctor.start();
    loop.exec();
    if (interrupted) {
        err << "zephinet-cli: interrupted" << Qt::endl;
        return ExitInterrupted;
    }
    if (doctor.segmentLeftToRunningCopy()) {
        if (const std::optional<Finding> segment = askRunningCopy(diagnosis.port, diagnosis.seconds))
            doctor.takeSegmentFinding(*segment);
    }
    for (const Finding &f : doctor.findings()) {
        if (options.json)
            out << QString::fromUtf8(QJsonDocument(FindingJson(f)).toJson(QJsonDocument::Compact)) << Qt::endl;
        else
            printFinding(f, out);
    }
    return AnyProblem(doctor.findings()) ? ExitProblemFound : ExitOk;
}

} // namespace zn
