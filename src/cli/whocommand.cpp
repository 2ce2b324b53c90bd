#include "cli/whocommand.h"

#include "cli/clisession.h"
#include "cli/commandline.h"
#include "cli/terminaltext.h"
#include "peers/roster.h"

#include <QTextStream>

namespace zn {

namespace {
constexpr int DefaultWhoSeconds = 3;
} // namespace

int runWho(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    CliSession cli(options, err);
    if (const int refused = cli.start(); refused != ExitOk)
        return refused;
    runFor(options.seconds < 0 ? DefaultWhoSeconds : qMax(options.seconds, 1));
    QList<TPeer> others;
    for (const TPeer &peer : cli.session.roster().peers())
        if (peer.MachineName != cli.session.local.MachineName)
            others.append(peer);
    out << describePeers(others, options.json);
    if (options.json)
        out << '\n';
    out.flush();
    cli.session.shutdown(); // LOGOUT
    return ExitOk;
}

} // namespace zn
