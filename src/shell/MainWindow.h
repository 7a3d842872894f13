#pragma once

#include "reminders/ReminderNotes.h"
#include "reminders/SystemClock.h"
#include "shell/InfoCommands.h"
#include "shell/NoteCatalogue.h"
#include "shell/ShellRequest.h"
#include "store/NotesFolder.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <optional>

class SyncService;
class SyncWindow;
class StartupQuestion;
class NoteOpener;
class OptionsPanel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class ReminderScanner;
class SettingsStore;
class DailyBackup;
class TrayIcon;

// The main window: lives for the whole run, lists the notes, holds the buttons that
// create and open notes, the options panel and the reminder timer.
class MainWindow final : public QWidget, private ReminderNotes {
    Q_OBJECT
public:
    MainWindow(SettingsStore &settings, NotesFolder folder, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up: size, options, notes, tray, then shown or minimised, colours, question.
    void start();

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

    // The buttons' commands.
    void minimize();
    void exitProgram(); // asks about unsaved edits first
    void toggleOptions();
    void showAbout();
    void showHelp();
    void showSuggestions();
    void openSyncWindow();
    // Sync Now: a round with the remembered account, or the window to give one.
    ShellReply syncNow();
    void newNote();
    void toggleNoteList(); // "Get Note" / "Hide Note"

    // Re-reads the notes folder into the list and the tray menu, and shows the list.
    void refreshCatalogue();
    const NoteCatalogue &catalogue() const { return m_catalogue; }
    NoteOpener &noteOpener() { return *m_opener; }
    TrayIcon &trayIcon() { return *m_tray; }
    ReminderScanner &reminderScanner() { return *m_reminders; }
    SyncService &syncService() { return *m_sync; }
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

    void askForAttention(QWidget *note);
    void layoutForSize();
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Shows only the notes that hold the words in the search field.
    void filterNoteList();
    void focusSearchField(); // Ctrl+F
    void openSelectedNote();
    void unload();
    void scanReminders();
    void showNotesFolder();
    void noteWritten(const QString &path, const QString &text);
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
    SyncService *m_sync;
    bool m_unloaded = false;
    std::optional<QPoint> m_placeBeforeHiding; // where Minimize found the window

    QLabel *m_description;            // description of the program
    QLabel *m_listLabel;              // "List Of Notes"
    QLineEdit *m_searchField;         // words the list is filtered by
    QString m_filteredBy;             // the field's text the list was last filtered by
    QListWidget *m_noteList;          // the note catalogue
    QLabel *m_notesFolderLabel;       // which notes folder is in use
    QPushButton *m_minimizeButton;    // "&Minimize"
    QPushButton *m_helpButton;        // "&Help"
    QPushButton *m_newNoteButton;     // "New Note"
    QPushButton *m_getNoteButton;     // "Get Note" / "Hide Note"
    QPushButton *m_optionsButton;     // "Options"
    QPushButton *m_suggestionsButton; // "Suggestions"
    QPushButton *m_aboutButton;       // "Abou&t"
    QPushButton *m_exitButton;        // "E&xit"
    QPushButton *m_syncButton;        // "Syncronise with the Internet"
    OptionsPanel *m_options;          // the options panel
    QTimer *m_reminderTimer;          // reminder scanner, every 59999 ms
};
