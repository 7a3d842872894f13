#include "TestUnsavedNotes.h"

#include "Child.h"

#include "NoteFixture.h"
#include "Unprivileged.h"
#include "notes/UnsavedNotes.h"
#include "shell/MainWindow.h"

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

namespace {

const QString kSeven = QStringLiteral("PinvelleQuill7.pv");
const QString kEight = QStringLiteral("PinvelleQuill8.pv");

// Two open notes typed into with automatic saving off, and one left as loaded.
void typeWithSavingOff(NoteFixture &f)
{
    f.writeNote(kSeven, QStringLiteral("milk"));
    f.options.save = false;
    NoteWindow *seven = f.open(QStringLiteral("7"));
    NoteWindow *eight = f.open(QStringLiteral("8"));
    f.open(QStringLiteral("9"));
    QTest::keyClicks(child<QTextEdit>(seven, "Text1"), QStringLiteral("2 "));
    QTest::keyClicks(child<QTextEdit>(eight, "Text1"), QStringLiteral("eggs"));
}

QMessageBox *exitQuestion(QWidget &parent)
{
    return NoteFixture::box(&parent, QStringLiteral("ExitQuestion"));
}

} // namespace

void TestUnsavedNotes::nothingUnsavedLeavesAtOnce()
{
    NoteFixture f;
    f.writeNote(kSeven, QStringLiteral("milk"));
    NoteWindow *note = f.open(QStringLiteral("7"));
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), QStringLiteral("x"));
    QWidget main;
    int left = 0;
    UnsavedNotes::confirmExit(&main, [&left] { ++left; });
    QCOMPARE(left, 1);
    QVERIFY(!exitQuestion(main));
}

void TestUnsavedNotes::yesSavesThenLeaves()
{
    NoteFixture f;
    typeWithSavingOff(f);
    QCOMPARE(UnsavedNotes::find().size(), 2);
    QWidget main;
    int left = 0;
    UnsavedNotes::confirmExit(&main, [&left] { ++left; });
    QCOMPARE(left, 0);
    QMessageBox *question = exitQuestion(main);
    QVERIFY(question);
    QCOMPARE(question->windowTitle(), QStringLiteral("Pinvelle"));
    QCOMPARE(question->defaultButton(), question->button(QMessageBox::Yes));
    question->button(QMessageBox::Yes)->click();
    QCOMPARE(left, 1);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("2 milk\r\n"));
    QCOMPARE(f.bytesOf(kEight), QByteArray("eggs\r\n"));
    QVERIFY(!f.exists(QStringLiteral("PinvelleQuill9.pv")));
    QVERIFY(UnsavedNotes::find().isEmpty());
}

void TestUnsavedNotes::noLeavesWithoutSaving()
{
    NoteFixture f;
    typeWithSavingOff(f);
    QWidget main;
    int left = 0;
    UnsavedNotes::confirmExit(&main, [&left] { ++left; });
    exitQuestion(main)->button(QMessageBox::No)->click();
    QCOMPARE(left, 1);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QVERIFY(!f.exists(kEight));
}

void TestUnsavedNotes::cancelStays()
{
    NoteFixture f;
    typeWithSavingOff(f);
    QWidget main;
    int left = 0;
    UnsavedNotes::confirmExit(&main, [&left] { ++left; });
    exitQuestion(main)->button(QMessageBox::Cancel)->click();
    QCOMPARE(left, 0);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QCOMPARE(UnsavedNotes::find().size(), 2);
}

void TestUnsavedNotes::failedSaveStays()
{
    NoteFixture f;
    typeWithSavingOff(f);
    QWidget main;
    int left = 0;
    UnsavedNotes::confirmExit(&main, [&left] { ++left; });
    QVERIFY(QFile::setPermissions(f.dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
    {
        Unprivileged asUser;
        exitQuestion(main)->button(QMessageBox::Yes)->click();
    }
    QVERIFY(QFile::setPermissions(f.dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(left, 0);
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QMessageBox *told = NoteFixture::box(&main, QStringLiteral("Notice"));
    QVERIFY(told);
    QVERIFY(told->text().contains(kSeven));
    QVERIFY(told->text().contains(kEight));
    QCOMPARE(UnsavedNotes::find().size(), 2);
}

void TestUnsavedNotes::exitButtonAsksFirst()
{
    NoteFixture f;
    typeWithSavingOff(f);
    MainWindow menu(*f.settings, f.folder);
    QTest::mouseClick(child<QPushButton>(&menu, "Command2"), Qt::LeftButton);
    QMessageBox *question = exitQuestion(menu);
    QVERIFY(question);
    question->button(QMessageBox::Cancel)->click();
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QCOMPARE(UnsavedNotes::find().size(), 2);
}

void TestUnsavedNotes::closingOneNoteAsks()
{
    NoteFixture f;
    f.options.save = false;
    QPointer<NoteWindow> eight = f.open(QStringLiteral("8"));
    QTest::keyClicks(child<QTextEdit>(eight, "Text1"), QStringLiteral("eggs"));

    // Cancel keeps the note open with its edits.
    QVERIFY(!eight->close());
    QMessageBox *question = exitQuestion(*eight);
    QVERIFY(question);
    question->button(QMessageBox::Cancel)->click();
    QTRY_VERIFY(!exitQuestion(*eight));
    QVERIFY(!eight.isNull());
    QVERIFY(eight->hasUnsavedEdits());

    // Yes writes the note, then it closes.
    QVERIFY(!eight->close());
    exitQuestion(*eight)->button(QMessageBox::Yes)->click();
    QTRY_VERIFY(eight.isNull());
    QCOMPARE(f.bytesOf(kEight), QByteArray("eggs\r\n"));

    // No closes without writing; a note with nothing unsaved closes at once.
    QPointer<NoteWindow> nine = f.open(QStringLiteral("9"));
    QTest::keyClicks(child<QTextEdit>(nine, "Text1"), QStringLiteral("bread"));
    QVERIFY(!nine->close());
    exitQuestion(*nine)->button(QMessageBox::No)->click();
    QTRY_VERIFY(nine.isNull());
    QVERIFY(!f.exists(QStringLiteral("PinvelleQuill9.pv")));
}
