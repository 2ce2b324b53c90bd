// zephinet-cli watch: every message on the port, without taking part.
#pragma once

class QTextStream;

namespace zn {

struct CliOptions;

// Listens on the port and prints each message, one line (or JSON object)
// each, for --seconds or until interrupted. It announces nothing.
int runWatch(const CliOptions &options, QTextStream &out, QTextStream &err);

} // namespace zn
