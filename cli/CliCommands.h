#pragma once
// The batch tool's subcommands. Each returns the process exit status; results go to out as
// JSON, errors to err as one line.
#include <QStringList>
#include <QTextStream>

namespace cli {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

int Run(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace cli
