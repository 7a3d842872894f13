#pragma once

#include "FakeClock.h"
#include "notes/NoteOptions.h"
#include "settings/SettingsStore.h"
#include "store/NotesFolder.h"

#include <QList>
#include <QPointer>
#include <QTemporaryDir>
#include <memory>

class NoteWindow;
class ReminderPanel;

// A notes folder, a private settings store, a clock set by hand and note windows that each
// carry a reminder panel wired as the program wires it; everything goes with the fixture.
class PanelFixture final {
public:
    PanelFixture();
    ~PanelFixture();

    // A thin-border window loaded with key, its panel attached.
    NoteWindow *open(const QString &key);
    static ReminderPanel *panelOf(NoteWindow *note);
    void writeNote(const QString &fileName, const QString &text) const;

    QString reminder(const QString &fileName) const;
    void setReminder(const QString &fileName, const QString &value);

    QTemporaryDir dir;
    QTemporaryDir settingsDir;
    NotesFolder folder;
    std::unique_ptr<SettingsStore> settings;
    FakeClock clock;

private:
    struct Options final : NoteOptions {
        QString defaultHeightText() const override { return QStringLiteral("3000"); }
        QString defaultWidthText() const override { return QStringLiteral("4000"); }
        QString fontSizeText() const override { return QStringLiteral("8"); }
        QString colourText() const override { return QString(); }
        bool autoSave() const override { return true; }
        bool allOnTop() const override { return false; }
        bool creatingNotes() const override { return false; }
    };
    Options m_options;
    QList<QPointer<NoteWindow>> m_windows;
};
