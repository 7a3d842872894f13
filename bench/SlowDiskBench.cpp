// Typing into a note on a slow disk, whose syncs the bench_slow_sync shim delays:
//   (a) the user-interface thread's time per keystroke in a 1 KB note, median and max;
//   (b) 20 keys typed 20 ms apart: the time from the last key until the file holds all 20.
// Prints "key value" lines for bench/run.
//
//   LD_PRELOAD=bench/libbench_slow_sync.so bench_slow_disk [--dir FOLDER] [--rounds N]

#include "notes/NoteOptions.h"
#include "notes/NoteSaver.h"
#include "notes/NoteWindow.h"
#include "settings/SettingsStore.h"
#include "store/NoteFile.h"
#include "store/NoteWriter.h"
#include "store/NotesFolder.h"

#include "BenchArguments.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <vector>

namespace {

struct BenchOptions final : NoteOptions {
    QString defaultHeightText() const override { return QStringLiteral("3000"); }
    QString defaultWidthText() const override { return QStringLiteral("4000"); }
    QString fontSizeText() const override { return QStringLiteral("8"); }
    QString colourText() const override { return QStringLiteral("Yellow"); }
    bool autoSave() const override { return true; }
    bool allOnTop() const override { return false; }
    bool creatingNotes() const override { return false; }
};

double msSince(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the event loop for ms, as the window would between keys.
void idle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const BenchArguments arguments = parseBenchArguments(
        app, QStringLiteral("Folder to write the note in."),
        QStringLiteral("Keystrokes timed (100)."), 100, QStringLiteral("bench-slow"));
    const int rounds = arguments.rounds;

    using DelayFn = long (*)();
    const auto delay = reinterpret_cast<DelayFn>(dlsym(RTLD_DEFAULT, "pinvelle_sync_delay_ms"));
    if (!delay) {
        std::fprintf(stderr, "bench_slow_disk: preload bench_slow_sync (LD_PRELOAD)\n");
        return 2;
    }

    const QString &base = arguments.folder;
    QDir(base).mkpath(QStringLiteral("."));
    const NotesFolder folder(base);
    SettingsStore settings(base + QStringLiteral("/bench-settings.ini"));
    BenchOptions options;

    const QString line = QStringLiteral("milk, eggs, bread and a little butter for Sunday\n");
    QString text;
    while (text.size() + line.size() <= 1024)
        text += line;
    const QString path = folder.filePath(NotesFolder::fileName(1));
    WriteNoteFile(NoteSaver::toFileText(text), path);

    auto *note = new NoteWindow(NoteBorder::Thin, options, settings, folder);
    note->load(QStringLiteral("1"));
    auto *body = note->findChild<QTextEdit *>(QStringLiteral("Text1"));
    body->moveCursor(QTextCursor::End);

    // Settle the window, the writer's thread and the file system before timing.
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(body, Qt::Key_A);
        idle(20);
    }
    note->finishWriting(QDeadlineTimer(10000));

    // (a) Keys 20 ms apart; the window's time is the key's handling plus the outcomes it
    // takes in between.
    std::vector<double> perKey;
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        clock.start();
        QTest::keyClick(body, Qt::Key_A);
        perKey.push_back(msSince(clock));
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < 20) {
            clock.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const double spent = msSince(clock);
            if (spent > 0.05)
                perKey.back() += spent;
            QThread::usleep(200);
        }
    }
    note->finishWriting(QDeadlineTimer(10000));
    std::sort(perKey.begin(), perKey.end());

    // (b) 20 keys 20 ms apart, then until the file holds them all.
    const QString before = body->toPlainText();
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(body, Qt::Key_B);
        if (i < 19)
            idle(20);
    }
    clock.start();
    const QByteArray wanted =
        NoteSaver::toFileText(before + QString(20, QLatin1Char('b'))).toUtf8() + "\r\n";
    while (bytesOf(path) != wanted) {
        if (clock.elapsed() > 10000) {
            std::fprintf(stderr, "bench_slow_disk: the file never held the 20 keys\n");
            return 2;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    const double lastKeyToDisk = msSince(clock);
    delete note;
    NoteWriter::finishAll(QDeadlineTimer(10000));

    std::printf("sync_delay_ms %ld\n", delay());
    std::printf("keystroke_ui_median_ms %.3f\n", perKey[perKey.size() / 2]);
    std::printf("keystroke_ui_max_ms %.3f\n", perKey.back());
    std::printf("keystroke_rounds %d\n", rounds);
    std::printf("last_key_to_disk_ms %.3f\n", lastKeyToDisk);
    return 0;
}
