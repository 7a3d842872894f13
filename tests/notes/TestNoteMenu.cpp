#include "TestNoteMenu.h"

#include "NoteFixture.h"
#include "TestEnvironment.h"
#include "notes/TimeStamp.h"
#include "platform/Topmost.h"
#include "platform/Twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

namespace {

const QString kSeven = QStringLiteral("PinvelleQuill7.pv");

NoteWindow *openMilk(NoteFixture &f)
{
    f.writeNote(kSeven, QStringLiteral("milk"));
    return f.open(QStringLiteral("7"));
}

void answer(NoteWindow *note, QMessageBox::StandardButton button)
{
    QMessageBox *question = NoteFixture::box(note, QStringLiteral("DeleteQuestion"));
    QVERIFY(question);
    question->button(button)->click();
}

} // namespace

void TestNoteMenu::rightClickOpensTheMenuInOrder()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    QTest::mouseClick(child<QTextEdit>(note, "Text1")->viewport(), Qt::RightButton, {},
                      QPoint(10, 10));
    QTRY_VERIFY(child<QMenu>(note, "RMenu")->isVisible());
    QStringList captions;
    for (const QAction *action : child<QMenu>(note, "RMenu")->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    const QStringList expected{"Delete",     "Hide", "Save As", "Save", "Stay On Top",
                               "Time Stamp", "-",    "Copy",    "Cut",  "Paste",
                               "Select All", "-",    "Print",   "-",    "Set Date/Time Reminder"};
    QCOMPARE(captions, expected);
    QVERIFY(child<QAction>(note->menu(), "NoteStayOnTop")->isCheckable());
    QVERIFY(!child<QAction>(note->menu(), "NoteStayOnTop")->isChecked());
    child<QMenu>(note, "RMenu")->close();
}

void TestNoteMenu::leftClickOpensNothing()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    QTest::mouseClick(child<QTextEdit>(note, "Text1")->viewport(), Qt::LeftButton, {},
                      QPoint(10, 10));
    QTest::mouseClick(child<QTextEdit>(note, "Text1")->viewport(), Qt::MiddleButton, {},
                      QPoint(10, 10));
    const QMenu *menu = note->findChild<QMenu *>(QStringLiteral("RMenu"));
    QVERIFY(!menu || !menu->isVisible());
    QVERIFY(QApplication::topLevelWidgets().size() > 0);
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QMenu *>(window) || !window->isVisible());
}

void TestNoteMenu::timeStampAppendsDateAndTime()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    const QString before = TimeStamp::text(QDateTime::currentDateTime());
    child<QAction>(note->menu(), "TimeStamp")->trigger();
    const QString after = TimeStamp::text(QDateTime::currentDateTime());
    const QString text = child<QTextEdit>(note, "Text1")->toPlainText();
    QVERIFY2(text == QStringLiteral("milk ") + before || text == QStringLiteral("milk ") + after,
             qPrintable(text));
    QCOMPARE(f.bytesOf(kSeven), text.toUtf8() + "\r\n");

    // The stamp reads back as the date and time it was made.
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') +
                     locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed();
    const QDateTime stamped = locale.toDateTime(text.mid(5), format);
    QVERIFY2(stamped.isValid(), qPrintable(text.mid(5) + QStringLiteral(" / ") + format));
    QVERIFY(qAbs(stamped.secsTo(QDateTime::currentDateTime())) < 5 ||
            // two-digit years read back in the 1900s
            qAbs(stamped.addYears(100).secsTo(QDateTime::currentDateTime())) < 5);
}

void TestNoteMenu::clipboardItemsActOnTheBody()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    child<QAction>(note->menu(), "SelectAllMenu")->trigger();
    QCOMPARE(child<QTextEdit>(note, "Text1")->textCursor().selectedText(), QStringLiteral("milk"));
    child<QAction>(note->menu(), "CopyMenu")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("milk"));
    child<QAction>(note->menu(), "CutMenu")->trigger();
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QString());
    QVERIFY(!f.exists(kSeven));
    child<QAction>(note->menu(), "PasteMenu")->trigger();
    child<QAction>(note->menu(), "PasteMenu")->trigger();
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milkmilk"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milkmilk\r\n"));
}

void TestNoteMenu::printBlankNoteSaysSo()
{
    NoteFixture f;
    NoteWindow *note = f.open(QStringLiteral("7"));
    note->show();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = f.dir.filePath(QStringLiteral("blank.pdf"));
    printer.setOutputFileName(pdf);
    note->setPrinter(&printer);
    child<QAction>(note->menu(), "MenuPrint")->trigger();
    QMessageBox *message = NoteFixture::box(note, QStringLiteral("Notice"));
    QVERIFY(message);
    QCOMPARE(message->text(), QStringLiteral("You can not print a blank Note"));
    QCOMPARE(message->windowTitle(), QStringLiteral("Pinvelle"));
    QVERIFY(!QFile::exists(pdf));
}

void TestNoteMenu::printWritesTheText()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = f.dir.filePath(QStringLiteral("milk.pdf"));
    printer.setOutputFileName(pdf);
    printer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
    note->setPrinter(&printer);
    child<QAction>(note->menu(), "MenuPrint")->trigger();
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/Type /Page"));
    QVERIFY(NoteFixture::box(note, QStringLiteral("Notice")) == nullptr);
}

void TestNoteMenu::stayOnTopAfterAllNotesOnTop()
{
    NoteFixture f;
    f.options.onTop = true;
    NoteWindow *note = openMilk(f);
    QVERIFY(IsTopmost(note));
    QVERIFY(!child<QAction>(note->menu(), "NoteStayOnTop")->isChecked());
    const QPoint where = note->pos();

    child<QAction>(note->menu(), "NoteStayOnTop")->trigger();
    QVERIFY(child<QAction>(note->menu(), "NoteStayOnTop")->isChecked());
    QVERIFY(IsTopmost(note));
    child<QAction>(note->menu(), "NoteStayOnTop")->trigger();
    QVERIFY(!child<QAction>(note->menu(), "NoteStayOnTop")->isChecked());
    QVERIFY(!IsTopmost(note));
    QVERIFY(note->isVisible());
    QCOMPARE(note->pos(), where);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
}

void TestNoteMenu::hideKeepsTheNote()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    QSignalSpy written(note, &NoteWindow::noteWritten);
    child<QAction>(note->menu(), "HideNote")->trigger();
    QVERIFY(!note->isVisible());
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QCOMPARE(written.count(), 0);
}

void TestNoteMenu::deleteAnsweredNo()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    child<QAction>(note->menu(), "DeleteNote")->trigger();
    QMessageBox *question = NoteFixture::box(note, QStringLiteral("DeleteQuestion"));
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Are you sure you would like to delete this note?"));
    QCOMPARE(question->windowTitle(), QStringLiteral("Pinvelle"));
    QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
    QVERIFY(question->button(QMessageBox::Yes));
    answer(note, QMessageBox::No);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QVERIFY(note->isVisible());
}

void TestNoteMenu::deleteAnsweredYes_data()
{
    QTest::addColumn<bool>("autoSave");
    QTest::newRow("automatic saving on") << true;
    QTest::newRow("automatic saving off") << false;
}

void TestNoteMenu::deleteAnsweredYes()
{
    QFETCH(bool, autoSave);
    NoteFixture f;
    f.options.save = autoSave;
    NoteWindow *note = openMilk(f);
    TestEnvironment::instance()->clearTrash();
    QSignalSpy written(note, &NoteWindow::noteWritten);
    QSignalSpy trashed(note, &NoteWindow::noteTrashed); // the window's owner tells the user
    child<QAction>(note->menu(), "DeleteNote")->trigger();
    answer(note, QMessageBox::Yes);
    QVERIFY(!f.exists(kSeven) && trashed.count() == 1);
    QCOMPARE(TestEnvironment::instance()->trashed(), QList<QByteArray>({"milk\r\n"}));
    QVERIFY(!note->isVisible());
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QString());
    QCOMPARE(written.count(), 1);
    QVERIFY(!note->hasUnsavedEdits());
    // The deleted text is what Ctrl+Z brings back.
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
}

void TestNoteMenu::saveAsWritesTheNewFile()
{
    NoteFixture f;
    f.options.save = false;
    NoteWindow *note = openMilk(f);
    note->show();
    QSignalSpy written(note, &NoteWindow::noteWritten);
    child<QAction>(note->menu(), "SaveAS")->trigger();
    QVERIFY(child<QLineEdit>(note, "Text3")->isVisible());
    QVERIFY(child<QPushButton>(note, "Command1")->isVisible());
    QVERIFY(child<QPushButton>(note, "Command2")->isVisible());
    QCOMPARE(child<QPushButton>(note, "Command1")->text(), QStringLiteral("OK"));
    QCOMPARE(child<QPushButton>(note, "Command2")->text(), QStringLiteral("Cancel"));
    QCOMPARE(child<QLineEdit>(note, "Text3")->text(), kSeven);
    QCOMPARE(child<QTextEdit>(note, "Text1")->y(), Twips::toPixels(359));

    // The extension is added, so the note stays in the list.
    child<QLineEdit>(note, "Text3")->setText(QStringLiteral("shopping"));
    QTest::mouseClick(child<QPushButton>(note, "Command1"), Qt::LeftButton);
    QCOMPARE(f.bytesOf(QStringLiteral("shopping.pv")), QByteArray("milk\r\n"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
    QCOMPARE(note->windowTitle(), QStringLiteral("shopping.pv"));
    QCOMPARE(note->filePath(), f.path(QStringLiteral("shopping.pv")));
    QVERIFY(!child<QLineEdit>(note, "Text3")->isVisible());
    QCOMPARE(child<QTextEdit>(note, "Text1")->y(), 0);
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.at(0).at(0).toString(), f.path(QStringLiteral("shopping.pv")));

    // From now on the note lives in the new file.
    f.options.save = true;
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), QStringLiteral("2 "));
    QCOMPARE(f.bytesOf(QStringLiteral("shopping.pv")), QByteArray("2 milk\r\n"));
    QCOMPARE(f.bytesOf(kSeven), QByteArray("milk\r\n"));
}

void TestNoteMenu::saveAsOntoAnotherNoteAsksFirst()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    f.writeNote(QStringLiteral("bread.pv"), QStringLiteral("bread"));
    TestEnvironment::instance()->clearTrash();
    const auto saveAs = [&](QMessageBox::StandardButton button) {
        child<QAction>(note->menu(), "SaveAS")->trigger();
        child<QLineEdit>(note, "Text3")->setText(QStringLiteral("bread.pv"));
        QTest::mouseClick(child<QPushButton>(note, "Command1"), Qt::LeftButton);
        QMessageBox *question = NoteFixture::box(note, QStringLiteral("ReplaceQuestion"));
        QVERIFY(question && question->defaultButton() == question->button(QMessageBox::No));
        question->button(button)->click();
    };
    saveAs(QMessageBox::No);
    QCOMPARE(f.bytesOf(QStringLiteral("bread.pv")), QByteArray("bread\r\n"));
    QCOMPARE(note->filePath(), f.path(kSeven));
    QVERIFY(child<QLineEdit>(note, "Text3")->isVisible());
    QVERIFY(TestEnvironment::instance()->trashed().isEmpty());

    saveAs(QMessageBox::Yes);
    QCOMPARE(f.bytesOf(QStringLiteral("bread.pv")), QByteArray("milk\r\n"));
    QCOMPARE(note->windowTitle(), QStringLiteral("bread.pv"));
    QCOMPARE(TestEnvironment::instance()->trashed(), QList<QByteArray>({"bread\r\n"}));
}

void TestNoteMenu::saveAsCancel()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    child<QAction>(note->menu(), "SaveAS")->trigger();
    child<QLineEdit>(note, "Text3")->setText(QStringLiteral("shopping.pv"));
    QTest::mouseClick(child<QPushButton>(note, "Command2"), Qt::LeftButton);
    QVERIFY(!child<QLineEdit>(note, "Text3")->isVisible());
    QVERIFY(!child<QPushButton>(note, "Command1")->isVisible());
    QCOMPARE(child<QTextEdit>(note, "Text1")->y(), 0);
    QCOMPARE(note->windowTitle(), kSeven);
    QCOMPARE(note->filePath(), f.path(kSeven));
    QVERIFY(!f.exists(QStringLiteral("shopping.pv")));
}

void TestNoteMenu::saveAsRefusesBadNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("folder") << "../PinvelleQuill8.pv";
    QTest::newRow("backslash") << "a\\b.pv";
    QTest::newRow("question mark") << "what?.pv";
    QTest::newRow("dot dot") << "..";
}

void TestNoteMenu::saveAsRefusesBadNames()
{
    QFETCH(QString, name);
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    const QStringList before =
        QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    child<QAction>(note->menu(), "SaveAS")->trigger();
    child<QLineEdit>(note, "Text3")->setText(name);
    QTest::mouseClick(child<QPushButton>(note, "Command1"), Qt::LeftButton);
    QVERIFY(NoteFixture::box(note, QStringLiteral("Notice")));
    QCOMPARE(note->windowTitle(), kSeven);
    QCOMPARE(note->filePath(), f.path(kSeven));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("../PinvelleQuill8.pv"))));
    // The row stays for another try.
    QVERIFY(child<QLineEdit>(note, "Text3")->isVisible());
}

void TestNoteMenu::reminderItemAsksForThePanel()
{
    NoteFixture f;
    NoteWindow *note = openMilk(f);
    QSignalSpy asked(note, &NoteWindow::reminderRequested);
    auto *panel = new QWidget;
    note->setReminderPanel(panel);
    QCOMPARE(panel->parentWidget(), note);
    QVERIFY(!panel->isVisible());
    QCOMPARE(panel->geometry(), Twips::rect(120, 360, 3135, 1455));
    child<QAction>(note->menu(), "Reminder")->trigger();
    QCOMPARE(asked.count(), 1);
}
