#pragma once

#include "reminders/ReminderNotes.h"
#include "reminders/SystemClock.h"
#include "shell/InfoCommands.h"
#include "shell/NoteCatalogue.h"
#include "store/NotesFolder.h"

#include <QPointer>
#include <QWidget>

class SyncWindow;
class StartupQuestion;
class NoteOpener;
class OptionsPanel;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class ReminderScanner;
class SettingsStore;
class DailyBackup;
class TrayIcon;

// The main window: lives for the whole run, lists the notes, holds the buttons that
// create and open notes, the options panel and the reminder timer.
class FormMenu final : public QWidget, private ReminderNotes {
    Q_OBJECT
public:
    FormMenu(SettingsStore &settings, NotesFolder folder, QWidget *parent = nullptr);
    ~FormMenu() override;

    // Start-up: size, options, notes, tray, then shown or minimised, colours, question.
    void Form_Load();

    // The window's outer size in twips, title bar and borders included.
    int widthTwips() const;
    int heightTwips() const;
    void setSizeTwips(int width, int height);

    // Brings the main window back, e.g. when a second start asks for it.
    void showAndActivate();

    const NotesFolder &notesFolder() const { return m_folder; }
    // Base address of the notes web site in use this run.
    QString siteAddress() const { return m_siteAddress; }
    void setSiteAddress(const QString &address) { m_siteAddress = address; }
    // Tells the user that the folder they asked for could not be used.
    void setPassedOverFolder(const QString &folder);

    QLabel *Label1;           // description of the program
    QLabel *Label4;           // "List Of Notes"
    QListWidget *List1;       // the note catalogue
    QLabel *LabelNotesFolder; // which notes folder is in use
    QPushButton *Command1;    // "&Minimize"
    QPushButton *Command4;    // "&Help"
    QPushButton *Command5;    // "New Note"
    QPushButton *Command8;    // "Get Note" / "Hide Note"
    QPushButton *Command9;    // "Options"
    QPushButton *Command10;   // "Suggestions"
    QPushButton *Command3;    // "Abou&t"
    QPushButton *Command2;    // "E&xit"
    QPushButton *Command14;   // "Syncronise with the Internet"
    OptionsPanel *Frame2;     // the options panel
    QTimer *Timer4;           // reminder scanner, every 59999 ms
    QTimer *Timer2;           // disabled, no action

    void Command1_Click();  // Minimize
    void Command2_Click();  // Exit
    void Command9_Click();  // show or hide the options
    void Command3_Click();  // About
    void Command4_Click();  // Help
    void Command10_Click(); // Suggestions
    void Command14_Click(); // opens the synchronisation window
    void Command5_Click();  // New Note
    void Command8_Click();  // Get Note / Hide Note

    // Re-reads the notes folder into the list and the tray menu, and shows the list.
    void refreshCatalogue();
    const NoteCatalogue &catalogue() const { return m_catalogue; }
    NoteOpener &noteOpener() { return *m_opener; }
    TrayIcon &trayIcon() { return *m_tray; }
    ReminderScanner &reminderScanner() { return *m_reminders; }
    // The clock reminders read, for the scanner and the panels of windows opened from now
    // on; the system clock unless set. Not owned.
    void setClock(const Clock &clock);

    // The about, help and suggestions commands, whose browser tests replace.
    InfoCommands &infoCommands() { return m_info; }
    // The run-at-startup question while it is open.
    StartupQuestion *startupQuestion() const;
    // The synchronisation window while it is open.
    SyncWindow *syncWindow() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QStringList reminderNoteFiles() const override;
    bool bringNoteToFront(const QString &fileName) override;
    std::optional<QString> openNoteForReminder(const QString &fileName,
                                               const QString &reminder) override;

    void Form_Resize();
    void Form_Unload();
    void Timer4_Timer();
    void showNotesFolder();
    void noteWritten(const QString &path);
    void openAllNotes();
    void quitWhenNothingIsLeft();

    SettingsStore &m_settings;
    NotesFolder m_folder;
    QString m_passedOverFolder;
    QString m_siteAddress;
    InfoCommands m_info;
    QPointer<StartupQuestion> m_startupQuestion;
    QPointer<SyncWindow> m_syncWindow;
    NoteCatalogue m_catalogue;
    NoteOpener *m_opener;
    TrayIcon *m_tray;
    DailyBackup *m_backup;
    SystemClock m_clock;
    ReminderScanner *m_reminders;
    bool m_unloaded = false;
};
