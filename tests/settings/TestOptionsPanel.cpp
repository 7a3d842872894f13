#include "TestOptionsPanel.h"

#include "TestEnvironment.h"
#include "settings/NoteColours.h"
#include "settings/OptionsPanel.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>

namespace {

QList<QMessageBox *> notices()
{
    QList<QMessageBox *> boxes;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->objectName() == QLatin1String("Notice") && box->isVisible())
            boxes << box;
    }
    return boxes;
}

// A panel as start-up leaves it: every stored option read in its turn.
std::unique_ptr<OptionsPanel> startedPanel(SettingsStore &store)
{
    auto panel = std::make_unique<OptionsPanel>(store);
    panel->readLayoutOptions();
    panel->readBorder();
    panel->readRunMinimized();
    panel->fillColourList();
    panel->show();
    return panel;
}

} // namespace

void TestOptionsPanel::init()
{
    TestEnvironment::instance()->clearSettings();
}

void TestOptionsPanel::cleanup()
{
    for (QMessageBox *box : notices())
        box->close();
    QTRY_VERIFY(notices().isEmpty());
}

void TestOptionsPanel::firstStartShowsDefaults()
{
    SettingsStore store;
    auto panel = startedPanel(store);
    QVERIFY(!child<QCheckBox>(panel, "Check2")->isChecked());
    QVERIFY(!child<QCheckBox>(panel, "Check3")->isChecked());
    QVERIFY(!child<QCheckBox>(panel, "Check4")->isChecked());
    QVERIFY(child<QCheckBox>(panel, "Check1")->isChecked());
    QCOMPARE(child<QLineEdit>(panel, "Text3")->text(), QStringLiteral("8"));
    QCOMPARE(child<QComboBox>(panel, "Combo1")->currentText(), QString());
    QVERIFY(child<QRadioButton>(panel, "Option2")->isChecked());
    QVERIFY(!child<QRadioButton>(panel, "Option1")->isChecked());
    QCOMPARE(child<QLineEdit>(panel, "Text1")->text(), QStringLiteral("3000"));
    QCOMPARE(child<QLineEdit>(panel, "Text2")->text(), QStringLiteral("4000"));
    QVERIFY(notices().isEmpty());
}

void TestOptionsPanel::letterInFontSizeIsRefused()
{
    SettingsStore store;
    auto panel = startedPanel(store);
    child<QLineEdit>(panel, "Text3")->clear();
    QTest::keyClicks(child<QLineEdit>(panel, "Text3"), QStringLiteral("1x"));
    QCOMPARE(notices().size(), 1);
    QCOMPARE(notices().first()->text(), QStringLiteral("Must be a numberic value "));
    QCOMPARE(notices().first()->windowTitle(), QStringLiteral("Pinvelle"));
    QCOMPARE(child<QLineEdit>(panel, "Text3")->text(), QStringLiteral("8"));
    QCOMPARE(store.read(Keys::NoteFont), QStringLiteral("8"));
}

void TestOptionsPanel::emptyFontSizeIsStoredEmpty()
{
    {
        SettingsStore store;
        auto panel = startedPanel(store);
        child<QLineEdit>(panel, "Text3")->selectAll();
        QTest::keyClick(child<QLineEdit>(panel, "Text3"), Qt::Key_Backspace);
        QCOMPARE(child<QLineEdit>(panel, "Text3")->text(), QString());
        QVERIFY(notices().isEmpty());
        QVERIFY(store.contains(QStringLiteral("Startup"), QStringLiteral("notefont")));
        QCOMPARE(store.read(Keys::NoteFont), QString());
    }
    // The next start finds the field empty: the default applies only to a missing entry.
    SettingsStore store;
    auto panel = startedPanel(store);
    QCOMPARE(child<QLineEdit>(panel, "Text3")->text(), QString());
    QVERIFY(notices().isEmpty());
}

void TestOptionsPanel::fontSizeStoredAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("decimal") << QStringLiteral("10.5");
    QTest::newRow("padded") << QStringLiteral(" 12 ");
    QTest::newRow("blanks only") << QStringLiteral("   ");
}

void TestOptionsPanel::fontSizeStoredAsTyped()
{
    QFETCH(QString, typed);
    SettingsStore store;
    auto panel = startedPanel(store);
    child<QLineEdit>(panel, "Text3")->clear();
    QTest::keyClicks(child<QLineEdit>(panel, "Text3"), typed);
    QVERIFY(notices().isEmpty());
    QCOMPARE(store.read(Keys::NoteFont), typed);
}

void TestOptionsPanel::storedNonNumericFontIsReplacedAtStart()
{
    SettingsStore store;
    store.save(Keys::NoteFont, QStringLiteral("big"));
    auto panel = startedPanel(store);
    QCOMPARE(notices().size(), 1);
    QCOMPARE(child<QLineEdit>(panel, "Text3")->text(), QStringLiteral("8"));
    QCOMPARE(store.read(Keys::NoteFont), QStringLiteral("8"));
}

void TestOptionsPanel::sizesOutOfRangeGoBack_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("kept");
    const QList<std::tuple<const char *, const char *, bool>> rows{
        {"Text1", "1000", true},   {"Text1", "30000", true}, {"Text1", "999", false},
        {"Text1", "30001", false}, {"Text1", "1", false},    {"Text2", "999.5", false},
        {"Text2", "30000", true},  {"Text2", "9e9", false},  {"Text2", "wide", false},
        {"Text3", "6", true},      {"Text3", "72", true},    {"Text3", "0", false},
        {"Text3", "5.9", false},   {"Text3", "73", false},
    };
    for (const auto &[field, typed, kept] : rows)
        QTest::addRow("%s %s", field, typed) << field << typed << kept;
}

void TestOptionsPanel::sizesOutOfRangeGoBack()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, kept);
    SettingsStore store;
    auto panel = startedPanel(store);
    auto *edit = child<QLineEdit>(panel, field.toLatin1().constData());
    // A first good value is the one an out-of-range one goes back to.
    const QString good = field == QLatin1String("Text3") ? "12" : "2500";
    for (const QString &text : {good, typed}) {
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QCOMPARE(edit->text(), kept ? typed : good);
    QCOMPARE(notices().size(), kept ? 0 : 1);
    if (field == QLatin1String("Text3")) // the size stored is always the one shown
        QCOMPARE(store.read(Keys::NoteFont), edit->text());
}

void TestOptionsPanel::colourStoredWhenFocusLeaves()
{
    SettingsStore store;
    auto panel = startedPanel(store);
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));

    child<QComboBox>(panel, "Combo1")->setFocus();
    QTest::keyClicks(child<QComboBox>(panel, "Combo1"), QStringLiteral("light blue"));
    QCOMPARE(panel->colourText(), QStringLiteral("light blue"));
    QVERIFY(!store.contains(QStringLiteral("Startup"), QStringLiteral("text1")));

    child<QComboBox>(panel, "Combo1")
        ->setCurrentIndex(child<QComboBox>(panel, "Combo1")->findText(QStringLiteral("Green")));
    QVERIFY(!store.contains(QStringLiteral("Startup"), QStringLiteral("text1")));
    child<QComboBox>(panel, "Combo1")->setEditText(QStringLiteral("light blue"));

    child<QLineEdit>(panel, "Text3")->setFocus();
    QTRY_COMPARE(store.read(Keys::NoteColour), QStringLiteral("light blue"));
    QCOMPARE(NoteColours::byName(panel->colourText()).value_or(QColor()), QColor(0, 255, 255));
}

void TestOptionsPanel::colourListOrderAndStoredText()
{
    SettingsStore store;
    store.save(Keys::NoteColour, QStringLiteral("my own"));
    auto panel = startedPanel(store);
    QStringList items;
    for (int i = 0; i < child<QComboBox>(panel, "Combo1")->count(); ++i)
        items << child<QComboBox>(panel, "Combo1")->itemText(i);
    QCOMPARE(items, NoteColours::names());
    QCOMPARE(panel->colourText(), QStringLiteral("my own"));
}

void TestOptionsPanel::borderStoredAsPair()
{
    SettingsStore store;
    auto panel = startedPanel(store);
    QTest::mouseClick(child<QRadioButton>(panel, "Option1"), Qt::LeftButton, {},
                      QPoint(6, child<QRadioButton>(panel, "Option1")->height() / 2));
    QVERIFY(panel->fullBorder());
    QCOMPARE(store.read(Keys::BorderThin), QStringLiteral("False"));
    QCOMPARE(store.read(Keys::BorderFull), QStringLiteral("True"));

    QTest::mouseClick(child<QRadioButton>(panel, "Option2"), Qt::LeftButton, {},
                      QPoint(6, child<QRadioButton>(panel, "Option2")->height() / 2));
    QVERIFY(!panel->fullBorder());
    QCOMPARE(store.read(Keys::BorderThin), QStringLiteral("True"));
    QCOMPARE(store.read(Keys::BorderFull), QStringLiteral("False"));

    // A stored full border is selected at the next start.
    store.save(Keys::BorderThin, QStringLiteral("False"));
    store.save(Keys::BorderFull, QStringLiteral("True"));
    auto next = startedPanel(store);
    QVERIFY(child<QRadioButton>(next, "Option1")->isChecked());
    QVERIFY(!child<QRadioButton>(next, "Option2")->isChecked());
}

void TestOptionsPanel::tickBoxesStoreTheirEntry_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("key");
    QTest::newRow("stay on top") << "Check2"
                                 << "notesontop";
    QTest::newRow("open all") << "Check3"
                              << "notes";
    QTest::newRow("minimised") << "Check4"
                               << "minimize";
}

void TestOptionsPanel::tickBoxesStoreTheirEntry()
{
    QFETCH(QString, box);
    QFETCH(QString, key);
    SettingsStore store;
    auto panel = startedPanel(store);
    auto *check = panel->findChild<QCheckBox *>(box);
    QVERIFY(check);
    const QString section = QStringLiteral("Startup");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    QCOMPARE(store.read(section, key, QString()), QStringLiteral("1"));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    QCOMPARE(store.read(section, key, QString()), QStringLiteral("0"));

    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    auto next = startedPanel(store);
    QVERIFY(next->findChild<QCheckBox *>(box)->isChecked());
}

void TestOptionsPanel::handEditedValuesKeepDefaults()
{
    SettingsStore store;
    store.save(Keys::NotesOnTop, QStringLiteral("sure"));
    store.save(Keys::OpenAllNotes, QStringLiteral("7"));
    store.save(Keys::BorderThin, QStringLiteral("perhaps"));
    store.save(Keys::BorderFull, QStringLiteral("no idea"));
    auto panel = startedPanel(store);
    QVERIFY(!child<QCheckBox>(panel, "Check2")->isChecked());
    QVERIFY(!child<QCheckBox>(panel, "Check3")->isChecked());
    QVERIFY(child<QRadioButton>(panel, "Option2")->isChecked());

    // Both stored as selected: the full border, read last, wins; one stays selected.
    store.save(Keys::BorderThin, QStringLiteral("True"));
    store.save(Keys::BorderFull, QStringLiteral("True"));
    auto both = startedPanel(store);
    QVERIFY(child<QRadioButton>(both, "Option1")->isChecked());
    QVERIFY(!child<QRadioButton>(both, "Option2")->isChecked());

    store.save(Keys::BorderThin, QStringLiteral("False"));
    store.save(Keys::BorderFull, QStringLiteral("False"));
    auto neither = startedPanel(store);
    QVERIFY(child<QRadioButton>(neither, "Option2")->isChecked() !=
            child<QRadioButton>(neither, "Option1")->isChecked());
}

void TestOptionsPanel::sessionOnlyValuesAreNotStored()
{
    SettingsStore store;
    auto panel = startedPanel(store);
    child<QLineEdit>(panel, "Text1")->setText(QStringLiteral("2000"));
    child<QLineEdit>(panel, "Text2")->setText(QStringLiteral("5000"));
    QTest::mouseClick(child<QCheckBox>(panel, "Check1"), Qt::LeftButton, {},
                      QPoint(6, child<QCheckBox>(panel, "Check1")->height() / 2));
    QVERIFY(!panel->autoSave());

    auto next = startedPanel(store);
    QCOMPARE(child<QLineEdit>(next, "Text1")->text(), QStringLiteral("3000"));
    QCOMPARE(child<QLineEdit>(next, "Text2")->text(), QStringLiteral("4000"));
    QVERIFY(next->autoSave());
}
