// zephinet-cli who: the users online.
#pragma once

class QTextStream;

namespace zn {

struct CliOptions;

// Announces itself, collects the answers for --seconds (default 3, at least
// 1), prints the other users online as a table or JSON, logs out.
int runWho(const CliOptions &options, QTextStream &out, QTextStream &err);

} // namespace zn
