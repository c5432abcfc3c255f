#pragma once

#include "output/leg_output.h"
#include "planning/shortest_order.h"

#include <QString>
#include <QStringList>
#include <initializer_list>

namespace amb::cli {

// The command-line options the tool's commands share:
//   --unit mi|km|nmi  --model sphere|wgs84  --format FORMAT  --total  --course
// Takes the option at args[i] (and its value, advancing i) when it is one of the
// above; `allowed` lists the ones the command knows ("--unit", "--model",
// "--format", "--total", "--course"). Gives false when args[i] is none of them;
// sets `error` when it is one but its value is missing or unknown.
bool takeMeasureOption(const QStringList& args, qsizetype& i, const QStringList& allowed,
                       MeasureOptions& options, QString& error);

// An option naming a file, given as "--name FILE" or "--name=FILE".
struct FileOption {
    QLatin1StringView name; // "--map"
    QString* file;
};

// Takes the option at args[i] (and its file name, advancing i) when it is one of
// `options`. Gives false when args[i] is none of them; sets `error` when the file
// name is missing or empty, or when a --map file is no PNG or SVG.
bool takeFileOption(const QStringList& args, qsizetype& i,
                    std::initializer_list<FileOption> options, QString& error);

// A map file's name ends in .png or .svg (any case).
bool isMapFileName(const QString& file);

// How a trip's stops are ordered: --order shortest|ends|round (the first city kept;
// the last one too; a round trip) and --round-trip (a last leg back to the first
// city, which --order round implies).
struct OrderOptions {
    std::optional<planning::OrderKind> kind;
    bool roundTrip = false;
};
// Takes --order or --round-trip at args[i] as takeMeasureOption takes its options.
bool takeOrderOption(const QStringList& args, qsizetype& i, OrderOptions& options,
                     QString& error);
// Their help lines.
QString orderOptionsHelp();

// All four: what the commands that measure a trip (distance, trip) accept.
const QStringList& allMeasureOptions();

// The help lines for the options in `allowed`.
QString measureOptionsHelp(const QStringList& allowed);

} // namespace amb::cli
