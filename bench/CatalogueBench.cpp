// The note catalogue with many notes: a cold refresh (every note read), a warm refresh
// (nothing changed, nothing read), and one keystroke in an open note while the list is
// shown with 10,000 notes against the same keystroke with 10 notes listed, and one keystroke
// in the search field filtering the 10,000 listed notes.
//
//   bench_catalogue [--dir FOLDER] [--notes N] [--rounds R]
//
// FOLDER should be on the disk notes live on; by default a fresh folder is made in the
// current directory (not /tmp, which is often held in memory).

#include "notes/NoteWindow.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/NoteCatalogue.h"
#include "shell/NoteOpener.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void fillFolder(const QString &folder, int count)
{
    const QByteArray body =
        QByteArray("a kilobyte of note text, ").repeated(41).left(1022) + "\r\n";
    for (int i = 1; i <= count; ++i) {
        QFile file(QDir(folder).filePath(QStringLiteral("PinvelleQuill%1.pv").arg(i)));
        if (file.open(QIODevice::WriteOnly))
            file.write(body);
    }
}

double msSince(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Median time of one keystroke in an open note while the main window lists count notes.
double keystrokeWithListed(const QString &base, int count, int rounds)
{
    const QString folder = QDir(base).filePath(QStringLiteral("listed-%1").arg(count));
    QDir().mkpath(folder);
    fillFolder(folder, count);
    SettingsStore settings;
    settings.save(Keys::DoNotAskStartup, QStringLiteral("1"));
    MainWindow menu(settings, NotesFolder(folder));
    menu.start();
    menu.toggleNoteList(); // Get Note: fills and shows the list
    NoteWindow *note = menu.noteOpener().openFile(QStringLiteral("PinvelleQuill1.pv"));
    note->findChild<QTextEdit *>(QStringLiteral("Text1"))->moveCursor(QTextCursor::End);
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(note->findChild<QTextEdit *>(QStringLiteral("Text1")), Qt::Key_X);
        samples.push_back(msSince(timer));
    }
    if (menu.findChild<QListWidget *>(QStringLiteral("List1"))->count() != count)
        std::fprintf(stderr, "list holds %d entries, expected %d\n",
                     menu.findChild<QListWidget *>(QStringLiteral("List1"))->count(), count);
    return median(samples);
}

// Median and slowest time of one keystroke in the search field, the list filtered and laid
// out again, with the main window listing the notes of folder. Each round types two words,
// one that every note holds and one that none does, and clears the field.
std::pair<double, double> filterPerKeystroke(const QString &folder, int rounds)
{
    SettingsStore settings;
    MainWindow menu(settings, NotesFolder(folder));
    menu.start();
    menu.toggleNoteList();
    QCoreApplication::processEvents(); // the freshly filled list's first layout is not a
                                       // keystroke's
    auto *field = menu.findChild<QLineEdit *>(QStringLiteral("SearchField"));
    auto *list = menu.findChild<QListWidget *>(QStringLiteral("List1"));
    std::vector<double> samples;
    int shown = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const QChar c : QStringLiteral("kilobyte zebra")) {
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(field, c.toLatin1());
            QCoreApplication::processEvents(); // the list's layout after the change
            samples.push_back(msSince(timer));
        }
        for (int row = 0; row < list->count(); ++row)
            shown += list->isRowHidden(row) ? 0 : 1;
        field->clear();
        QCoreApplication::processEvents();
    }
    if (shown != 0)
        std::fprintf(stderr, "filter left %d entries shown, expected none\n", shown);
    return {median(samples), *std::max_element(samples.begin(), samples.end())};
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Work in <folder>."),
                                       QStringLiteral("folder"));
    const QCommandLineOption notesOption(QStringLiteral("notes"), QStringLiteral("Notes to list."),
                                         QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Repetitions."),
                                          QStringLiteral("r"), QStringLiteral("5"));
    const QCommandLineOption dropOption(QStringLiteral("drop-caches"),
                                        QStringLiteral("Empty the page cache before each cold "
                                                       "refresh (needs root)."));
    parser.addOptions({dirOption, notesOption, roundsOption, dropOption});
    parser.addHelpOption();
    parser.process(app);
    const int notes = parser.value(notesOption).toInt();
    const int rounds = std::max(1, parser.value(roundsOption).toInt());

    QTemporaryDir work(QDir(parser.isSet(dirOption) ? parser.value(dirOption) : QDir::currentPath())
                           .filePath(QStringLiteral("bench-catalogue-XXXXXX")));
    const QString folder = QDir(work.path()).filePath(QStringLiteral("notes"));
    QDir().mkpath(folder);
    fillFolder(folder, notes);

    // Root may empty the page cache, so that "cold" also means the disk is read.
    const bool dropCaches = parser.isSet(dropOption);
    std::vector<double> cold;
    std::vector<double> warm;
    for (int round = 0; round < rounds; ++round) {
        NoteCatalogue catalogue(folder);
        if (dropCaches) {
            sync();
            QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
            if (!drop.open(QIODevice::WriteOnly) || drop.write("3\n") != 2)
                std::fprintf(stderr, "could not empty the page cache\n");
        }
        QElapsedTimer timer;
        timer.start();
        catalogue.refresh();
        cold.push_back(msSince(timer));
        timer.restart();
        catalogue.refresh();
        warm.push_back(msSince(timer));
        if (catalogue.size() != notes || catalogue.filesRead() != 0)
            std::fprintf(stderr, "warm refresh read %d files\n", catalogue.filesRead());
    }
    const double coldMs = median(cold);
    const double warmMs = median(warm);
    std::printf("catalogue refresh, %d notes of 1 KB: cold (%s) %.1f ms, warm %.1f ms, "
                "cold/warm %.1fx\n",
                notes, dropCaches ? "page cache emptied" : "files in page cache", coldMs, warmMs,
                coldMs / warmMs);

    const int keystrokes = 20 * rounds;
    const double few = keystrokeWithListed(work.path(), 10, keystrokes);
    const double many = keystrokeWithListed(work.path(), notes, keystrokes);
    std::printf("keystroke to file replaced, list shown: %d notes %.2f ms, 10 notes %.2f ms, "
                "ratio %.2f\n",
                notes, many, few, many / few);
    const auto [filter, slowest] = filterPerKeystroke(
        QDir(work.path()).filePath(QStringLiteral("listed-%1").arg(notes)), rounds);
    std::printf("filter %d notes per keystroke: %.2f ms, slowest %.2f ms\n", notes, filter,
                slowest);
    return 0;
}
