#pragma once

#include "NoteSaver.h"
#include "store/NotesFolder.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

enum class NoteBorder { Thin, Full };

class NoteBar;
class NoteFileFollower;
class NoteOptions;
class NoteWriter;
struct NoteWriteRequest;
struct NoteWriteResult;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QTextEdit;
class QScreen;
class QTimer;
class SettingsStore;

// One note on the desktop: its whole client area is the note's text, coloured by the
// chosen note colour and titled with the note's file name. It loads its note when handed
// a key, saves as the text changes, remembers its size and position per note, and carries
// the note's own menu. The two kinds differ only in their border.
class NoteWindow final : public QWidget {
    Q_OBJECT
public:
    NoteWindow(NoteBorder border, const NoteOptions &options, SettingsStore &settings,
               const NotesFolder &folder);
    ~NoteWindow() override;

    // Loads the note named by key, a note number or a file name: its text, size, position,
    // colour and stay-on-top state. Shows the window when the note holds text.
    void load(const QString &key);

    NoteBorder border() const { return m_border; }

    // The note's text as shown. setText replaces it as typing would, so it is saved.
    QString text() const;
    void setText(const QString &text);

    // 0 unless the key was a number.
    int noteNumber() const { return m_noteNumber; }
    QString filePath() const { return m_saver.path(); }
    // Empty until the note is loaded; the key of the note's stored size, position and
    // reminder.
    QString noteTitle() const;

    // The window's outer size in twips, as stored per note.
    int heightTwips() const { return m_heightTwips; }
    int widthTwips() const { return m_widthTwips; }
    void setSizeTwips(int height, int width);

    // Edits that automatic saving did not write, or whose write failed.
    bool hasUnsavedEdits() const { return m_saver.hasUnsavedEdits(); }
    // Edits not written yet, or the last edit less than pauseMs ago: a text from elsewhere
    // waits rather than replace what the user is typing.
    bool isBeingTyped(int pauseMs) const;
    // Writes the note now whatever the options say, waiting for the disk (at most 5 s);
    // false when the write failed or did not finish.
    bool saveNow();
    // Waits, at most until deadline, for the writes handed to the disk; false if time ran out.
    bool finishWriting(QDeadlineTimer deadline);
    // How long closing, Exit and the end of the session wait for the last writes.
    static constexpr int kFinishWritingMs = 5000;
    // Why the last write failed; empty after a write that worked.
    QString lastWriteError() const { return m_lastWriteError; }

    // Shows the window in front with the keyboard in its body, whatever its border.
    void showFocused();

    // Brings the open note window titled with a file name to the front; false when no other
    // window holds that note. Save As asks it before writing over another note.
    using OpenNoteFinder = std::function<bool(const QString &fileName)>;
    void setOpenNoteFinder(OpenNoteFinder finder) { m_openNoteFinder = std::move(finder); }

    // Print goes to this printer instead of the default one (e.g. a PDF file). Not owned.
    void setPrinter(QPrinter *printer);

    // The reminder panel goes here, hidden until asked for; the window takes ownership.
    void setReminderPanel(QWidget *panel);
    // Makes the panel when it is first wanted, so notes never reminded of cost nothing.
    using PanelMaker = std::function<QWidget *()>;
    void setReminderPanelMaker(PanelMaker maker) { m_panelMaker = std::move(maker); }
    QWidget *reminderPanel();

    // The note's right-click menu "RMenu" and its actions, made when first asked for.
    QMenu *menu();

signals:
    // The note's file at path was replaced by text (CR LF line ends), or removed when text
    // is blank.
    void noteWritten(const QString &path, const QString &text);
    // The note's old file went to the trash while the window was out of sight; message
    // says where.
    void noteTrashed(const QString &message);
    // "Set Date/Time Reminder" was chosen.
    void reminderRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void restoreSize();
    void showLaidOutOnce(); // show() with the text laid out once, not twice
    void applyColour();
    void restorePosition();
    void storePosition();
    // Puts the frame's top-left corner at position (pixels) without storing it.
    void placeFrame(const QPoint &position);
    // Brings the note onto a remaining screen when the one it stood on went.
    void keepOnScreens(const QScreen *removed);
    void layoutForSize();
    void layoutBody();
    int layoutWarningBar(); // its height, 0 while hidden
    NoteBar *warningBar();  // made when first needed
    void buildNameRow();
    void requestReminder();

    void onBodyEdited();
    void runSaveRoutine();
    void undoToSaved();
    void showMenu(const QPoint &globalPos);
    void setBodyText(const QString &text);
    void applyFontSize();
    void reportWrite(const NoteWriteRequest &request, const NoteWriteResult &result);

    void insertTimeStamp();
    void print();
    void toggleStayOnTop();
    void deleteNote();
    void save();
    void askSaveAsName();
    void confirmSaveAs();
    void cancelSaveAs();
    void showNameRow(bool shown);
    void saveAs(const QString &name, bool replacing);
    void tellTrashed(const QString &trashedTo);
    // A bar message; one shown until clicked stays whatever the writes after it.
    void showNotice(const QString &message, bool untilClicked = true);
    void showTakenText(const QString &bodyText);

    const NoteBorder m_border;
    const NoteOptions &m_options;
    SettingsStore &m_settings;
    NotesFolder m_folder;
    NoteSaver m_saver;
    QElapsedTimer m_lastEdit; // since the user last changed the text
    NoteWriter *m_writer;
    NoteFileFollower *m_follower; // takes in what other programs write to the note's file
    int m_noteNumber = 0;
    bool m_loaded = false;
    int m_heightTwips = 0;
    int m_widthTwips = 0;
    int m_bodyTopTwips = 0;
    QString m_lastWriteError;
    QString m_sizeWritten; // title and size this window last stored
    bool m_failureShown = false;
    bool m_deleting = false;       // Delete is emptying the note, which then goes out of sight
    bool m_closeConfirmed = false; // the user chose how to close with unsaved edits
    QTimer *m_positionTimer;
    // Where the program last put the frame; a move there is not the user's and is not stored.
    std::optional<QPoint> m_placedAt;
    QPrinter *m_printer = nullptr;
    QPointer<QWidget> m_reminderPanel;
    PanelMaker m_panelMaker;
    OpenNoteFinder m_openNoteFinder;

    QTextEdit *m_body;           // the note's text
    QLineEdit *m_saveAsName;     // Save As: the new name (the row is made when first asked)
    QPushButton *m_saveAsOk;     // Save As: "OK"
    QPushButton *m_saveAsCancel; // Save As: "Cancel"
    QTimer *m_retryTimer;        // runs the save routine again while writes fail
    NoteBar *m_warningBar;       // says that the note could not be written, without taking focus
    QMenu *m_menu = nullptr;     // the note's right-click menu, made by menu()
    QAction *m_stayOnTopAction = nullptr; // "Stay On Top", checkable
};
