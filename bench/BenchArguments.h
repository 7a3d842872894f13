#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

// What the keystroke benchmarks are told: how many keystrokes to time and where to write
// their notes. Without --dir the notes go to a scratch folder under the current one, so
// they land on the disk the benchmark was started from.
struct BenchArguments {
    int rounds = 0;
    QString folder;
    std::unique_ptr<QTemporaryDir> scratch;
};

inline BenchArguments parseBenchArguments(const QCoreApplication &app, const QString &folderHelp,
                                          const QString &roundsHelp, int defaultRounds,
                                          const QString &scratchName)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"), folderHelp, QStringLiteral("folder"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), roundsHelp, QStringLiteral("n"),
                                          QString::number(defaultRounds));
    parser.addOption(dirOption);
    parser.addOption(roundsOption);
    parser.process(app);
    BenchArguments arguments;
    arguments.rounds = std::max(10, parser.value(roundsOption).toInt());
    arguments.scratch = std::make_unique<QTemporaryDir>(QDir::currentPath() + QLatin1Char('/') +
                                                        scratchName + QStringLiteral("-XXXXXX"));
    arguments.folder =
        parser.isSet(dirOption) ? parser.value(dirOption) : arguments.scratch->path();
    return arguments;
}
