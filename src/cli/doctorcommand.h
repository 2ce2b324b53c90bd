// zephinet-cli doctor: why nobody can be seen, in findings.
#pragma once

class QTextStream;

namespace zn {

struct CliOptions;

// Runs the connection checks (the segment's for --seconds, default 3) on
// --port, else the settings file's port, with the --send-ip addresses, else
// the settings file's; prints each finding as lines or, with --json, as one
// object per line. 0 when nothing is a problem, 7 when something is.
int runDoctor(const CliOptions &options, QTextStream &out, QTextStream &err);

} // namespace zn
