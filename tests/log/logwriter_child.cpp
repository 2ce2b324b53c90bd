// Writes <count> records "<name> <i>" to the log file <path>, unlimited,
// then exits 0 when every write succeeded. Started twice at once by the
// shared-file test.
#include "common/clock.h"
#include "fakefrontend.h"
#include "log/logfile.h"
#include "settings/settings.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    zn::Settings settings;
    settings.LogFileName = args[1];
    settings.LogFileMaxCount = 0;
    zn::SystemClock clock;
    zn::test::FakeFrontend frontend;
    zn::LogFile log(settings, clock, frontend);
    const int count = args[2].toInt();
    const QByteArray name = args[3].toLatin1();
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        if (!log.WriteLog(name + "（pc）", "you（pc）", name + ' ' + QByteArray::number(i)) || !log.flush())
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
