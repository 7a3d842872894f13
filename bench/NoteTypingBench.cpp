// How long a keystroke in an open note takes until the note's file is replaced on disk
// (by the note's writer thread),
// against a bare atomic write of the same bytes to the same folder. Prints the medians
// and their ratio for a 1 KB and a 100 KB note, and the same atomic write without the
// folder sync that follows it, so the sync's cost per keystroke shows.
//
//   bench_note_typing [--dir FOLDER] [--rounds N]
//
// FOLDER should be on the disk notes live on; by default a fresh folder is made in the
// current directory (not /tmp, which is often held in memory).

#include "notes/NoteOptions.h"
#include "notes/NoteSaver.h"
#include "notes/NoteWindow.h"
#include "settings/SettingsStore.h"
#include "store/NoteFile.h"
#include "store/NotesFolder.h"

#include "BenchArguments.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct BenchOptions final : NoteOptions {
    QString defaultHeightText() const override { return QStringLiteral("3000"); }
    QString defaultWidthText() const override { return QStringLiteral("4000"); }
    QString fontSizeText() const override { return QStringLiteral("8"); }
    QString colourText() const override { return QStringLiteral("Yellow"); }
    bool autoSave() const override { return save; }
    bool allOnTop() const override { return false; }
    bool creatingNotes() const override { return false; }
    bool save = true;
};

struct Figures {
    double median = 0;
    double p90 = 0;
};

Figures summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&samples](double q) {
        return samples[static_cast<size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    return {at(0.5), at(0.9)};
}

// A note of about size bytes: lines of words, as a long shopping list would be.
QString noteText(qsizetype size)
{
    const QString line = QStringLiteral("milk, eggs, bread and a little butter for Sunday\n");
    QString text;
    while (text.size() + line.size() <= size)
        text += line;
    text += QString(size - text.size(), QLatin1Char('x'));
    return text;
}

struct Row {
    qsizetype bytes;
    Figures typed;
    Figures bare;
    Figures editorOnly; // the same keystroke with automatic saving off
    Figures unsynced;   // the bare write without syncing the folder afterwards
};

Row measure(const QString &folderPath, qsizetype bytes, int rounds)
{
    QDir(folderPath).mkpath(QStringLiteral("."));
    const NotesFolder folder(folderPath);
    SettingsStore settings(folderPath + QStringLiteral("/bench-settings.ini"));
    BenchOptions options;

    const QString text = noteText(bytes);
    const QString notePath = folder.filePath(NotesFolder::fileName(1));
    const QString barePath = folder.filePath(QStringLiteral("bare.pv"));
    WriteNoteFile(NoteSaver::toFileText(text), notePath);

    auto *note = new NoteWindow(NoteBorder::Thin, options, settings, folder);
    note->load(QStringLiteral("1"));
    note->findChild<QTextEdit *>(QStringLiteral("Text1"))->moveCursor(QTextCursor::End);
    // Settle the window and the file system before timing.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(note->findChild<QTextEdit *>(QStringLiteral("Text1")), Qt::Key_A);
    note->finishWriting(QDeadlineTimer(10000));

    std::vector<double> typed;
    std::vector<double> bare;
    QElapsedTimer clock;
    // The note's text after the next keystroke, written straight through the note store.
    const auto bareWrite = [&] {
        const QString same = NoteSaver::toFileText(
            note->findChild<QTextEdit *>(QStringLiteral("Text1"))->toPlainText() +
            QLatin1Char('a'));
        clock.start();
        const NoteWriteResult result = WriteNoteFile(same, barePath);
        bare.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!result.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(result.message()));
            std::exit(2);
        }
    };
    // The same atomic replacement, without the folder sync.
    std::vector<double> unsynced;
    const QString unsyncedPath = folder.filePath(QStringLiteral("unsynced.pv"));
    const auto unsyncedWrite = [&] {
        const QByteArray bytes =
            NoteSaver::toFileText(
                note->findChild<QTextEdit *>(QStringLiteral("Text1"))->toPlainText() +
                QLatin1Char('a'))
                .toUtf8() +
            "\r\n";
        clock.start();
        QSaveFile file(unsyncedPath);
        file.setDirectWriteFallback(false);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            file.write(bytes) != bytes.size() || !file.commit()) {
            std::fprintf(stderr, "%s\n", qPrintable(file.errorString()));
            std::exit(2);
        }
        unsynced.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    };
    const auto keystroke = [&] {
        const qint64 before = QFileInfo(notePath).size();
        clock.start();
        QTest::keyClick(note->findChild<QTextEdit *>(QStringLiteral("Text1")), Qt::Key_A);
        // The note writes on another thread: the time runs until the file is replaced.
        while (QFileInfo(notePath).size() != before + 1) {
            if (clock.elapsed() > 10000) {
                std::fprintf(stderr, "the keystroke did not replace the note's file: %s\n",
                             qPrintable(note->lastWriteError()));
                std::exit(2);
            }
            QCoreApplication::processEvents();
            // Leaves the core to the writer's thread: two cores are often all there is.
            QThread::usleep(50);
        }
        const qint64 elapsed = clock.nsecsElapsed();
        typed.push_back(static_cast<double>(elapsed) / 1e6);
        // The folder sync that follows is left out of the time, but not of the next round.
        note->finishWriting(QDeadlineTimer(10000));
    };
    // Alternate which goes first: a write right after another may find the disk's journal
    // already busy or already flushed.
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            bareWrite();
            keystroke();
            unsyncedWrite();
        } else {
            unsyncedWrite();
            keystroke();
            bareWrite();
        }
    }
    std::vector<double> editorOnly;
    options.save = false;
    for (int i = 0; i < rounds; ++i) {
        clock.start();
        QTest::keyClick(note->findChild<QTextEdit *>(QStringLiteral("Text1")), Qt::Key_A);
        editorOnly.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    delete note;
    return {bytes, summarise(typed), summarise(bare), summarise(editorOnly), summarise(unsynced)};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const BenchArguments arguments = parseBenchArguments(
        app, QStringLiteral("Folder to write the notes in."),
        QStringLiteral("Keystrokes per note size (200)."), 200, QStringLiteral("bench-notes"));
    const int rounds = arguments.rounds;

    const QString &base = arguments.folder;

    std::printf("Keystroke to note file replaced, against a bare atomic write (%d rounds, in %s)\n",
                rounds, qPrintable(QDir::toNativeSeparators(base)));
    std::printf("%-8s  %13s  %13s  %13s  %13s  %8s  %13s  %13s\n", "note", "typed median",
                "typed p90", "bare median", "bare p90", "ratio", "no-save median",
                "no-sync median");
    for (const qsizetype bytes : {qsizetype(1024), qsizetype(100 * 1024)}) {
        const Row row = measure(base + QStringLiteral("/%1").arg(bytes), bytes, rounds);
        std::printf(
            "%-8s  %10.3f ms  %10.3f ms  %10.3f ms  %10.3f ms  %8.2f  %10.3f ms  %10.3f ms\n",
            bytes >= 1024 * 100 ? "100 KB" : "1 KB", row.typed.median, row.typed.p90,
            row.bare.median, row.bare.p90, row.typed.median / row.bare.median,
            row.editorOnly.median, row.unsynced.median);
    }
    std::printf("Target: ratio of medians at most 1.5\n");
    return 0;
}
