#pragma once

#include "cli/tool_message.h"

#include <QStringList>

namespace amb::cli {

// Each subcommand takes its own arguments (without the subcommand's name) and
// returns the process exit code. Errors go to standard error.
int runImport(const QStringList& args);
int runSearch(const QStringList& args);
int runDistance(const QStringList& args);
int runTrip(const QStringList& args);

} // namespace amb::cli
