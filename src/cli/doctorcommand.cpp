#include "cli/doctorcommand.h"

#include "cli/commandline.h"
#include "diagnosis/diagnosis.h"
#include "net/identity.h"
#include "platform/unixsignals.h"
#include "settings/sendiplist.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

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
    for (const Finding &f : doctor.findings()) {
        if (options.json)
            out << QString::fromUtf8(QJsonDocument(FindingJson(f)).toJson(QJsonDocument::Compact)) << Qt::endl;
        else
            printFinding(f, out);
    }
    return AnyProblem(doctor.findings()) ? ExitProblemFound : ExitOk;
}

} // namespace zn
