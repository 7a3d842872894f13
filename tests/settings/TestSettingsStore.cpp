#include "TestSettingsStore.h"

#include "TestEnvironment.h"
#include "settings/NoteColours.h"
#include "settings/SettingValues.h"
#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeSettingsFile(const QByteArray &bytes)
{
    const QString path = TestEnvironment::instance()->settingsFile();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

void TestSettingsStore::init()
{
    TestEnvironment::instance()->clearSettings();
}

void TestSettingsStore::missingEntryGivesDefault()
{
    SettingsStore store;
    QCOMPARE(store.read(QStringLiteral("Startup"), QStringLiteral("nothing"),
                        QStringLiteral("fallback")),
             QStringLiteral("fallback"));
    QVERIFY(!store.contains(QStringLiteral("Startup"), QStringLiteral("nothing")));
}

void TestSettingsStore::emptyStringIsNotMissing()
{
    {
        SettingsStore store;
        QVERIFY(store.save(Keys::NoteFont, QString()));
    }
    SettingsStore again;
    QVERIFY(again.contains(QStringLiteral("Startup"), QStringLiteral("notefont")));
    QCOMPARE(again.read(Keys::NoteFont), QString());
}

void TestSettingsStore::defaults_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const auto row = [](const SettingKey &k) {
        QTest::newRow(k.key) << QString::fromLatin1(k.section) << QString::fromLatin1(k.key)
                             << QString::fromLatin1(k.defaultValue);
    };
    row(Keys::NotesOnTop);
    row(Keys::OpenAllNotes);
    row(Keys::RunMinimized);
    row(Keys::NoteFont);
    row(Keys::NoteColour);
    row(Keys::BorderThin);
    row(Keys::BorderFull);
    row(Keys::DoNotAskStartup);
}

void TestSettingsStore::defaults()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QHash<QString, QString> expected = {
        {QStringLiteral("Startup/notesontop"), QStringLiteral("0")},
        {QStringLiteral("Startup/notes"), QStringLiteral("0")},
        {QStringLiteral("Startup/minimize"), QStringLiteral("0")},
        {QStringLiteral("Startup/notefont"), QStringLiteral("8")},
        {QStringLiteral("Startup/text1"), QString()},
        {QStringLiteral("Startup/Option2"), QStringLiteral("True")},
        {QStringLiteral("Startup/Option1"), QStringLiteral("False")},
        {QStringLiteral("StartUpQ/qStrup"), QStringLiteral("0")},
    };
    QCOMPARE(value, expected.value(section + QLatin1Char('/') + key, QStringLiteral("?")));
    SettingsStore store;
    QCOMPARE(store.read(section, key, value), value);
}

void TestSettingsStore::roundTripThroughTheFile_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("word") << QStringLiteral("Purple");
    QTest::newRow("commas") << QStringLiteral("red, green,blue");
    QTest::newRow("ini specials") << QStringLiteral("a=b;c #d [e] \"f\" \\g");
    QTest::newRow("surrounding spaces") << QStringLiteral("  light blue  ");
    QTest::newRow("looks like a type") << QStringLiteral("@Invalid()");
    QTest::newRow("unicode") << QStringLiteral("café ✓");
    QTest::newRow("line break") << QStringLiteral("one\r\ntwo");
    QTest::newRow("reminder") << QStringLiteral("12/5/2026 3:07 PM");
}

void TestSettingsStore::roundTripThroughTheFile()
{
    QFETCH(QString, value);
    {
        SettingsStore store;
        QVERIFY(store.save(Keys::NoteColour, value));
        QVERIFY(store.save(QString::fromLatin1(Keys::NoteSizeSection),
                           QStringLiteral("PinvelleQuill3.pv"), QStringLiteral("2000-5000")));
    }
    // A copy under another name cannot be served from any cache: it is read from disk.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.conf"));
    QVERIFY(QFile::copy(TestEnvironment::instance()->settingsFile(), copy));
    SettingsStore fromDisk(copy);
    QCOMPARE(fromDisk.read(Keys::NoteColour), value);
    QCOMPARE(fromDisk.read(QString::fromLatin1(Keys::NoteSizeSection),
                           QStringLiteral("PinvelleQuill3.pv"), QString()),
             QStringLiteral("2000-5000"));
}

void TestSettingsStore::savingTheStoredValueLeavesTheFile()
{
    SettingsStore store;
    QVERIFY(store.save(Keys::NoteColour, QStringLiteral("Red")));
    QFile file(TestEnvironment::instance()->settingsFile());
    const QDateTime past = QDateTime::currentDateTime().addDays(-1);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(store.save(Keys::NoteColour, QStringLiteral("Red")));
    QCOMPARE(QFileInfo(file.fileName()).lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
}

void TestSettingsStore::perNoteEntriesByFileName()
{
    SettingsStore store;
    const QString size = QString::fromLatin1(Keys::NoteSizeSection);
    const QString reminder = QString::fromLatin1(Keys::NoteReminderSection);
    QVERIFY(store.save(size, QStringLiteral("PinvelleQuill1.pv"), QStringLiteral("2500-3500")));
    QVERIFY(store.save(size, QStringLiteral("shopping.pv"), QStringLiteral("1000-2000")));
    QVERIFY(store.save(reminder, QStringLiteral("PinvelleQuill1.pv"), QString()));
    QCOMPARE(store.read(size, QStringLiteral("PinvelleQuill1.pv"), QString()),
             QStringLiteral("2500-3500"));
    QCOMPARE(store.read(size, QStringLiteral("shopping.pv"), QString()),
             QStringLiteral("1000-2000"));
    QCOMPARE(store.read(size, QStringLiteral("PINVELLEQUILL1.PV"), QStringLiteral("none")),
             QStringLiteral("none"));
    QVERIFY(store.contains(reminder, QStringLiteral("PinvelleQuill1.pv")));
}

void TestSettingsStore::garbageFileStartsWithDefaults()
{
    QByteArray garbage("\x00\xff\xfe[[[Startup\nnotefont\n=\x01\x02=\n");
    garbage.append(QByteArray(2048, '\x7f'));
    writeSettingsFile(garbage);
    SettingsStore store;
    QCOMPARE(store.read(Keys::NoteFont), QStringLiteral("8"));
    QCOMPARE(store.readTick(Keys::OpenAllNotes), 0);
    QVERIFY(store.readFlag(Keys::BorderThin));
    // The store keeps working after such a file.
    store.save(Keys::NoteFont, QStringLiteral("12"));
    QCOMPARE(store.read(Keys::NoteFont), QStringLiteral("12"));
}

void TestSettingsStore::handEditedTicks_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("tick");
    QTest::newRow("ticked") << QByteArray("1") << 1;
    QTest::newRow("clear") << QByteArray("0") << 0;
    QTest::newRow("spaces") << QByteArray("\" 1 \"") << 1;
    QTest::newRow("word") << QByteArray("yes") << 0;
    QTest::newRow("out of range") << QByteArray("2") << 0;
    QTest::newRow("negative") << QByteArray("-1") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("list") << QByteArray("1, 1") << 0;
}

void TestSettingsStore::handEditedTicks()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, tick);
    writeSettingsFile("[Startup]\nnotes=" + stored + "\n");
    SettingsStore store;
    QCOMPARE(store.readTick(Keys::OpenAllNotes), tick);
}

void TestSettingsStore::handEditedFlags_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("thin");
    QTest::newRow("True") << QByteArray("True") << true;
    QTest::newRow("False") << QByteArray("False") << false;
    QTest::newRow("upper case") << QByteArray("FALSE") << false;
    QTest::newRow("number zero") << QByteArray("0") << false;
    QTest::newRow("number") << QByteArray("-1") << true;
    QTest::newRow("word keeps default") << QByteArray("maybe") << true;
    QTest::newRow("empty keeps default") << QByteArray("") << true;
}

void TestSettingsStore::handEditedFlags()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, thin);
    writeSettingsFile("[Startup]\nOption2=" + stored + "\n");
    SettingsStore store;
    QCOMPARE(store.readFlag(Keys::BorderThin), thin);
}

void TestSettingsStore::numericText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("whole") << "12" << true;
    QTest::newRow("decimal") << "10.5" << true;
    QTest::newRow("padded") << " 9 " << true;
    QTest::newRow("negative") << "-3" << true;
    QTest::newRow("exponent") << "1e2" << true;
    QTest::newRow("letter") << "a" << false;
    QTest::newRow("trailing letter") << "12a" << false;
    QTest::newRow("two points") << "1.2.3" << false;
    QTest::newRow("infinity") << "inf" << false;
    QTest::newRow("not a number") << "nan" << false;
    QTest::newRow("blank") << "   " << false;
}

void TestSettingsStore::numericText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(SettingValues::isNumeric(text), numeric);
}

void TestSettingsStore::colourNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("listed") << "Yellow" << QColor(255, 255, 0);
    QTest::newRow("lower case, two words") << "light blue" << QColor(0, 255, 255);
    QTest::newRow("upper case") << "PURPLE" << QColor(255, 0, 255);
    QTest::newRow("orange") << "Orange" << QColor(255, 128, 0);
    QTest::newRow("grey") << "grey" << QColor(192, 192, 192);
    QTest::newRow("leading space matches nothing") << " Red" << QColor();
    QTest::newRow("unknown") << "Magenta" << QColor();
    QTest::newRow("empty") << "" << QColor();
}

void TestSettingsStore::colourNames()
{
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QCOMPARE(NoteColours::byName(text).value_or(QColor()), colour);
    QCOMPARE(NoteColours::names(), QStringList({"White", "Grey", "Red", "Orange", "Yellow", "Green",
                                                "Light Blue", "Blue", "Purple"}));
}
