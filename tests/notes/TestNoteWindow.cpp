#include "TestNoteWindow.h"

#include "NoteFixture.h"
#include "TestEnvironment.h"
#include "Unprivileged.h"
#include "platform/Topmost.h"
#include "platform/Twips.h"
#include "settings/SettingKeys.h"

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

namespace {

QString sizeOf(NoteFixture &f, const QString &title)
{
    return f.settings->read(QString::fromLatin1(Keys::NoteSizeSection), title,
                            QStringLiteral("none"));
}

void typeInto(NoteWindow *note, const QString &text)
{
    child<QTextEdit>(note, "Text1")->moveCursor(QTextCursor::End);
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), text);
}

const QString kSeven = QStringLiteral("PinvelleQuill7.pv");

} // namespace

void TestNoteWindow::loadsByKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("onDisk"); // empty: no file
    QTest::addColumn<bool>("creating");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("number");
    QTest::newRow("number with a file") << "7"
                                        << "milk" << false << true << 7;
    QTest::newRow("number without a file") << "7"
                                           << "" << false << false << 7;
    QTest::newRow("file name") << "PinvelleQuill7.pv"
                               << "milk" << false << true << 0;
    QTest::newRow("empty note by file name") << "PinvelleQuill7.pv"
                                             << "" << false << false << 0;
    QTest::newRow("while New Note tries numbers") << "7"
                                                  << "milk" << true << false << 7;
}

void TestNoteWindow::loadsByKey()
{
    QFETCH(QString, key);
    QFETCH(QString, onDisk);
    QFETCH(bool, creating);
    QFETCH(bool, shown);
    QFETCH(int, number);
    NoteFixture f;
    if (!onDisk.isEmpty())
        f.writeNote(kSeven, onDisk);
    f.options.creating = creating;

    NoteWindow *note = f.open(key);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), onDisk);
    QCOMPARE(note->isVisible(), shown);
    QCOMPARE(note->windowTitle(), kSeven);
    QCOMPARE(note->noteNumber(), number);
    QCOMPARE(note->filePath(), f.path(kSeven));
    // An empty note stays without a file.
    QCOMPARE(f.exists(kSeven), !onDisk.isEmpty());
}

void TestNoteWindow::handingOverTwiceLoadsTwice()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("8"));
    QCOMPARE(note->windowTitle(), QStringLiteral("PinvelleQuill8.pv"));
    note->load(QStringLiteral("7"));
    QCOMPARE(note->windowTitle(), kSeven);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
}

void TestNoteWindow::bothKindsLackMinimiseAndMaximise()
{
    NoteFixture f;
    for (NoteFixture::Kind kind : {NoteFixture::Kind::Thin, NoteFixture::Kind::Full}) {
        NoteWindow *note = f.open(QStringLiteral("1"), kind);
        const Qt::WindowFlags flags = note->windowFlags();
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(note->windowType(), kind == NoteFixture::Kind::Thin ? Qt::Tool : Qt::Window);
    }
}

void TestNoteWindow::loadingNeverWrites()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("  caf\u00e9  "));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("  caf\xc3\xa9  \r\n"));
    QVERIFY(!note->hasUnsavedEdits());
    typeInto(note, QStringLiteral("s"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("caf\xc3\xa9  s\r\n"));
}

void TestNoteWindow::scrollBarOnlyWhileTextOverflows()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk\n").repeated(40));
    auto *body = child<QTextEdit>(f.open(QStringLiteral("7")), "Text1");
    QTRY_VERIFY(body->verticalScrollBar()->isVisible());
    body->setPlainText(QStringLiteral("milk"));
    QTRY_VERIFY(!body->verticalScrollBar()->isVisible());
}

void TestNoteWindow::colourByNameIgnoresCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("colour"); // invalid: the edit box keeps its own
    QTest::newRow("light blue") << "light blue" << QColor(0, 255, 255);
    QTest::newRow("LIGHT BLUE") << "LIGHT BLUE" << QColor(0, 255, 255);
    QTest::newRow("Grey") << "Grey" << QColor(192, 192, 192);
    QTest::newRow("orange") << "oRaNgE" << QColor(255, 128, 0);
    QTest::newRow("empty") << "" << QColor();
    QTest::newRow("unknown") << "mauve" << QColor();
}

void TestNoteWindow::colourByNameIgnoresCase()
{
    QFETCH(QString, name);
    QFETCH(QColor, colour);
    NoteFixture f;
    f.options.colour = name;
    NoteWindow *note = f.open(QStringLiteral("1"));
    const QColor base = child<QTextEdit>(note, "Text1")->palette().color(QPalette::Base);
    if (colour.isValid())
        QCOMPARE(base, colour);
    else
        QCOMPARE(base, QTextEdit().palette().color(QPalette::Base));
}

void TestNoteWindow::sizeFromOptionsThenStored_data()
{
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("stored"); // "none": no entry
    QTest::addColumn<int>("heightTwips");
    QTest::addColumn<int>("widthTwips");
    QTest::newRow("defaults") << "3000"
                              << "4000"
                              << "none" << 3000 << 4000;
    QTest::newRow("other defaults") << "5000"
                                    << "6000"
                                    << "none" << 5000 << 6000;
    QTest::newRow("stored size wins") << "5000"
                                      << "6000"
                                      << "4500-5500" << 4500 << 5500;
    QTest::newRow("empty stored size") << "3000"
                                       << "4000"
                                       << "" << 3000 << 4000;
    QTest::newRow("stored junk") << "3000"
                                 << "4000"
                                 << "big-wide" << 3000 << 4000;
    QTest::newRow("stored one part") << "3000"
                                     << "4000"
                                     << "4500" << 3000 << 4000;
    QTest::newRow("stored negative") << "3000"
                                     << "4000"
                                     << "-4500-5500" << 3000 << 4000;
    // The window keeps the size it was designed with.
    QTest::newRow("default height not a number") << "tall"
                                                 << "4000"
                                                 << "none" << 3314 << 4000;
    QTest::newRow("default width empty") << "3000"
                                         << ""
                                         << "none" << 3000 << 4315;
}

void TestNoteWindow::sizeFromOptionsThenStored()
{
    QFETCH(QString, height);
    QFETCH(QString, width);
    QFETCH(QString, stored);
    QFETCH(int, heightTwips);
    QFETCH(int, widthTwips);
    NoteFixture f;
    f.options.height = height;
    f.options.width = width;
    if (stored != QLatin1String("none"))
        f.settings->save(QString::fromLatin1(Keys::NoteSizeSection), kSeven, stored);
    NoteWindow *note = f.open(QStringLiteral("7"));
    QCOMPARE(note->heightTwips(), heightTwips);
    QCOMPARE(note->widthTwips(), widthTwips);
    // The body fills the window.
    QCOMPARE(child<QTextEdit>(note, "Text1")->geometry(), note->rect());
}

void TestNoteWindow::defaultSizeNeverOverwritesStoredSize()
{
    NoteFixture f;
    f.settings->save(QString::fromLatin1(Keys::NoteSizeSection), kSeven,
                     QStringLiteral("4500-5500"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    note->setSizeTwips(3000, 4000);
    QCOMPARE(sizeOf(f, kSeven), QStringLiteral("4500-5500"));
    note->setSizeTwips(3000, 4015);
    QCOMPARE(sizeOf(f, kSeven), QStringLiteral("3000-4015"));

    // A size the user drags to is measured in twips and stored.
    note->show();
    note->resize(400, 120);
    const QString dragged =
        QStringLiteral("%1-%2").arg(Twips::fromPixels(120) + 299).arg(Twips::fromPixels(400) + 100);
    QTRY_COMPARE(sizeOf(f, kSeven), dragged);
    QCOMPARE(child<QTextEdit>(note, "Text1")->size(), note->size());
}

void TestNoteWindow::allNotesOnTopAtLoad()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *plain = f.open(QStringLiteral("7"));
    QVERIFY(!IsTopmost(plain));
    f.options.onTop = true;
    NoteWindow *onTop = f.open(QStringLiteral("7"));
    QVERIFY(IsTopmost(onTop));
    QVERIFY(onTop->isVisible());
}

void TestNoteWindow::typingOneCharacterRewritesTheFile()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QSignalSpy written(note, &NoteWindow::noteWritten);
    typeInto(note, QStringLiteral("s"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milks\r\n"));
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.at(0).at(0).toString(), f.path(kSeven));

    // A new note gets its file with its first character.
    NoteWindow *fresh = f.open(QStringLiteral("8"));
    QVERIFY(!f.exists(QStringLiteral("PinvelleQuill8.pv")));
    typeInto(fresh, QStringLiteral("e"));
    QCOMPARE(f.bytesOf(QStringLiteral("PinvelleQuill8.pv")), QByteArray("e\r\n"));
}

void TestNoteWindow::trailingSpacesDoNotRewrite()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QSignalSpy written(note, &NoteWindow::noteWritten);
    typeInto(note, QStringLiteral("   "));
    child<QTextEdit>(note, "Text1")->moveCursor(QTextCursor::Start);
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), QStringLiteral("  "));
    QCOMPARE(written.count(), 0);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    // A tab is not a blank.
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Tab);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("\tmilk\r\n"));
    QCOMPARE(written.count(), 1);
}

void TestNoteWindow::deletingAllTextRemovesTheFile()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    TestEnvironment::instance()->clearTrash();
    child<QTextEdit>(note, "Text1")->selectAll();
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Backspace);
    QVERIFY(!f.exists(kSeven));
    QVERIFY(note->isVisible());
    // The old text is in the trash, and the bar at the foot says so without a box.
    QCOMPARE(TestEnvironment::instance()->trashed(), QList<QByteArray>({"milk\r\n"}));
    QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
    QVERIFY(child<QLabel>(note, "WarningBar")->text().contains(QStringLiteral("trash")));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestNoteWindow::ctrlZSwapsInThePreviousText()
{
    NoteFixture f;
    NoteWindow *note = f.open(QStringLiteral("7"));
    typeInto(note, QStringLiteral("milk"));
    typeInto(note, QStringLiteral("s"));
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milks"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milks\r\n"));
    // Ctrl+Shift+Z is not the note's undo, and the edit box has none of its own.
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Z,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milks"));
}

void TestNoteWindow::autoSaveOffWritesNothingUntilSave()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    f.options.save = false;
    NoteWindow *note = f.open(QStringLiteral("7"));
    typeInto(note, QStringLiteral(" and eggs"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QVERIFY(note->hasUnsavedEdits());

    child<QAction>(note->menu(), "SaveNote")->trigger();
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk and eggs\r\n"));
    QVERIFY(!note->hasUnsavedEdits());
    QMessageBox *saved = NoteFixture::box(note, QStringLiteral("Notice"));
    QVERIFY(saved);
    QCOMPARE(saved->text(), QStringLiteral("Note Saved"));
    saved->close();

    // Save writes even when nothing changed since the last run.
    QFile::remove(f.path(kSeven));
    child<QAction>(note->menu(), "SaveNote")->trigger();
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk and eggs\r\n"));
}

void TestNoteWindow::fontSizeReachesTheNoteAtItsNextKeystroke()
{
    NoteFixture f;
    NoteWindow *note = f.open(QStringLiteral("7"));
    QCOMPARE(child<QTextEdit>(note, "Text1")->font().pointSizeF(), 8.0);
    f.options.font = QStringLiteral("14");
    QCOMPARE(child<QTextEdit>(note, "Text1")->font().pointSizeF(), 8.0);
    typeInto(note, QStringLiteral("a"));
    QCOMPARE(child<QTextEdit>(note, "Text1")->font().pointSizeF(), 14.0);
    QCOMPARE(child<QTextEdit>(note, "Text1")->document()->defaultFont().pointSizeF(), 14.0);

    // Even a key that changes nothing to save applies it.
    f.options.font = QStringLiteral("10.5");
    typeInto(note, QStringLiteral(" "));
    QCOMPARE(child<QTextEdit>(note, "Text1")->font().pointSizeF(), 10.5);

    for (const char *bad : {"big", "", "0", "-3"}) {
        f.options.font = QString::fromLatin1(bad);
        typeInto(note, QStringLiteral("b"));
        QCOMPARE(child<QTextEdit>(note, "Text1")->font().pointSizeF(), 10.5);
    }
}

void TestNoteWindow::linesAreWrittenWithCrLf()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("first\r\nsecond"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("first\nsecond"));
    child<QTextEdit>(note, "Text1")->moveCursor(QTextCursor::End);
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Return);
    typeInto(note, QStringLiteral("third"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("first\r\nsecond\r\nthird\r\n"));
}

void TestNoteWindow::changeFromElsewhere_data()
{
    QTest::addColumn<bool>("autoSave");
    QTest::addColumn<QString>("how"); // replace: by a rename; inPlace: rewritten; remove
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("beside");   // the "changed elsewhere" file, empty for none
    QTest::addColumn<QByteArray>("afterKey"); // the note's file after one more key

    const QByteArray edit = "EXTERNAL\r\nEDIT\r\n";
    QTest::newRow("idle, replaced")
        << true << "replace"
        << "EXTERNAL\nEDIT" << QByteArray() << QByteArray("EXTERNAL\r\nEDIT!\r\n");
    QTest::newRow("idle, in place")
        << true << "inPlace"
        << "EXTERNAL\nEDIT" << QByteArray() << QByteArray("EXTERNAL\r\nEDIT!\r\n");
    QTest::newRow("unsaved, replaced")
        << false << "replace"
        << "milk and eggs" << edit << QByteArray("milk and eggs!\r\n");
    // Typed before the window has looked at the file: the save keeps the other text aside.
    QTest::newRow("typing, replaced")
        << true << "replace, typing"
        << "milk and eggs!" << edit << QByteArray("milk and eggs!\r\n");
    QTest::newRow("idle, removed")
        << true << "remove"
        << "milk and eggs" << QByteArray() << QByteArray("milk and eggs!\r\n");
}

void TestNoteWindow::changeFromElsewhere()
{
    QFETCH(bool, autoSave);
    QFETCH(QString, how);
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    f.options.save = autoSave; // typed and saved, or typed and not saved yet
    typeInto(note, QStringLiteral(" and eggs"));
    NoteFixture::finishWrites();
    const QByteArray edit = "EXTERNAL\r\nEDIT\r\n";
    if (how.startsWith(QLatin1String("replace"))) {
        QFile other(f.path(QStringLiteral("other.tmp")));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write(edit) == edit.size());
        other.close();
        QCOMPARE(std::rename(QFile::encodeName(other.fileName()).constData(),
                             QFile::encodeName(f.path(kSeven)).constData()),
                 0);
    } else if (how == QLatin1String("inPlace")) {
        QFile file(f.path(kSeven));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(edit), edit.size());
    } else {
        QVERIFY(QFile::remove(f.path(kSeven)));
    }

    if (how.endsWith(QLatin1String("typing")))
        typeInto(note, QStringLiteral("!"));
    auto *body = child<QTextEdit>(note, "Text1");
    QFETCH(QString, shown);
    QFETCH(QByteArray, beside);
    const auto besideFiles = [&f] {
        return QDir(f.dir.path()).entryList({QStringLiteral("* (changed elsewhere, *).pv")});
    };
    if (how == QLatin1String("remove")) {
        QTRY_VERIFY(note->findChild<QLabel *>(QStringLiteral("WarningBar")));
        QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
        QVERIFY(!f.exists(kSeven));
    } else if (beside.isEmpty()) {
        QTRY_COMPARE(body->toPlainText(), shown);
    } else {
        QTRY_COMPARE(besideFiles().size(), 1);
        QCOMPARE(f.bytesOf(besideFiles().constFirst()), beside);
        QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
    }
    QCOMPARE(body->toPlainText(), shown);
    if (beside.isEmpty())
        QVERIFY(besideFiles().isEmpty());

    // The next key edits what the window shows, and never puts an older text back.
    if (!how.endsWith(QLatin1String("typing")))
        typeInto(note, QStringLiteral("!"));
    if (!autoSave)
        note->saveNow();
    QFETCH(QByteArray, afterKey);
    QCOMPARE(f.bytesOf(kSeven), afterKey);
}

void TestNoteWindow::failedWriteKeepsTheFileAndWarnsOnce()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QApplication::setActiveWindow(note);
    QVERIFY(QTest::qWaitForWindowActive(note));
    child<QTextEdit>(note, "Text1")->setFocus();
    QCOMPARE(QApplication::focusWidget(), child<QTextEdit>(note, "Text1"));
    const auto writable =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(f.dir.path(), readOnly));
    {
        Unprivileged asUser;
        typeInto(note, QStringLiteral("s"));
        QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
        QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
        QVERIFY(child<QLabel>(note, "WarningBar")->text().contains(kSeven));
        QVERIFY(child<QTextEdit>(note, "Text1")->geometry().bottom() <
                child<QLabel>(note, "WarningBar")->geometry().top());
        QVERIFY(!note->lastWriteError().isEmpty());
        QVERIFY(note->hasUnsavedEdits());
        // No box: the keys go on reaching the note.
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(note->findChildren<QMessageBox *>().isEmpty());
        QCOMPARE(QApplication::focusWidget(), child<QTextEdit>(note, "Text1"));

        // Closed by the user, it stays closed while the writes go on failing.
        QTest::mouseClick(child<QLabel>(note, "WarningBar"), Qt::LeftButton);
        QVERIFY(!child<QLabel>(note, "WarningBar")->isVisible());
        typeInto(note, QStringLiteral("y"));
        QVERIFY(!child<QLabel>(note, "WarningBar")->isVisible());
        QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milksy"));
    }
    QVERIFY(QFile::setPermissions(f.dir.path(), writable));
    typeInto(note, QStringLiteral("!"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milksy!\r\n"));
    QVERIFY(note->lastWriteError().isEmpty());
    QVERIFY(!note->hasUnsavedEdits());
    QCOMPARE(child<QTextEdit>(note, "Text1")->geometry(), note->rect());

    // After a write that worked, the next failure is told again.
    QVERIFY(QFile::setPermissions(f.dir.path(), readOnly));
    {
        Unprivileged asUser;
        typeInto(note, QStringLiteral("?"));
        NoteFixture::finishWrites();
        QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
    }
    QVERIFY(QFile::setPermissions(f.dir.path(), writable));
}

void TestNoteWindow::positionIsRestoredAndStored()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    const QString section = QString::fromLatin1(Keys::NotePositionSection);
    f.settings->save(section, kSeven, QStringLiteral("1500-900"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QVERIFY(note->isVisible());
    QCOMPARE(note->frameGeometry().topLeft(), Twips::point(1500, 900));

    note->move(Twips::point(3000, 2400));
    QTRY_COMPARE(f.settings->read(section, kSeven, QString()), QStringLiteral("3000-2400"));
    // Hiding right after a move still keeps where it was left.
    note->move(Twips::point(4500, 1500));
    note->hide();
    QCOMPARE(f.settings->read(section, kSeven, QString()), QStringLiteral("4500-1500"));
}

void TestNoteWindow::positionOffEveryScreenIsBroughtBack()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    f.settings->save(QString::fromLatin1(Keys::NotePositionSection), kSeven,
                     QStringLiteral("150000-150000"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.contains(note->frameGeometry().topLeft()));
    // Placed before the window manager added its frame, it may overlap the edge by that.
    const QRect frame = note->frameGeometry();
    QVERIFY(screen.intersected(frame).width() >= frame.width() - 10);
    QVERIFY(screen.intersected(frame).height() >= frame.height() - 10);
}
