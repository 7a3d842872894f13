#include "MainWindow.h"

#include "notes/NoteWindow.h"
#include "notes/UnsavedNotes.h"
#include "platform/Autostart.h"
#include "platform/Notice.h"
#include "platform/ProductInfo.h"
#include "platform/Twips.h"
#include "reminders/ReminderPanel.h"
#include "reminders/ReminderScanner.h"
#include "settings/OptionsPanel.h"
#include "settings/SettingsStore.h"
#include "shell/DailyBackup.h"
#include "shell/NoteOpener.h"
#include "shell/NoteSearch.h"
#include "shell/StartupQuestion.h"
#include "shell/SyncService.h"
#include "shell/TrayIcon.h"
#include "store/LeftoverSaves.h"
#include "store/NoteTrash.h"
#include "store/NoteWriter.h"
#include "sync/SyncWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// Title bar and borders, which the window's outer size includes.
constexpr int kFrameWidthTwips = 120;
constexpr int kFrameHeightTwips = 450;

constexpr int kStartWidth = 5595;
constexpr int kStartHeight = 6007;
constexpr int kHeightWithoutOptions = 5925;
constexpr int kWidthWithList = 8055;
constexpr int kHeightWithOptions = 7940;

constexpr int kSearchTop = 360;
constexpr int kSearchHeight = 315;
// The list sits below the search field.
constexpr int kListTop = kSearchTop + kSearchHeight + 60;

// The list keeps this much of the window's width and height for everything else.
constexpr int kListWidthMargin = 5720;
constexpr int kListHeightMargin = 700 + kListTop - kSearchTop;

constexpr int kButtonWidth = 2415;
constexpr int kButtonHeight = 375;

} // namespace

MainWindow::MainWindow(SettingsStore &settings, NotesFolder folder, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_folder(std::move(folder)),
      m_catalogue(m_folder.path())
{
    Q_INIT_RESOURCE(pinvelle);
    setObjectName(QStringLiteral("FormMenu"));
    setWindowTitle(QStringLiteral("%1 %2 - %3")
                       .arg(QString::fromLatin1(ProductInfo::kName),
                            QString::fromLatin1(ProductInfo::kVersion),
                            QString::fromLatin1(ProductInfo::kPublisherAddress)));
    QIcon icon;
    for (const char *file : {":/pinvelle/pinvelle-16.png", ":/pinvelle/pinvelle-32.png",
                             ":/pinvelle/pinvelle.png", ":/pinvelle/pinvelle-256.png"})
        icon.addFile(QString::fromLatin1(file));
    setWindowIcon(icon);
    setFont(QFont(QStringLiteral("Arial"), 8));

    m_description =
        new QLabel(tr("Pinvelle lets you write notes and post them to you computer monitor, "
                      "the notes are automatically saved as you type them. Note options can "
                      "be reached by right clicking on a note."),
                   this);
    m_description->setObjectName(QStringLiteral("Label1"));
    QFont courier(QStringLiteral("Courier New"), 9);
    courier.setStyleHint(QFont::TypeWriter);
    m_description->setFont(courier);
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setGeometry(Twips::rect(240, 120, 4935, 1935));

    m_notesFolderLabel = new QLabel(this);
    m_notesFolderLabel->setObjectName(QStringLiteral("LabelNotesFolder"));
    m_notesFolderLabel->setWordWrap(true);
    m_notesFolderLabel->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    m_notesFolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notesFolderLabel->setGeometry(Twips::rect(240, 2100, 4935, 900));

    m_listLabel = new QLabel(tr("List Of Notes"), this);
    m_listLabel->setObjectName(QStringLiteral("Label4"));
    m_listLabel->setGeometry(Twips::rect(5520, 120, 2295, 255));

    m_searchField = new QLineEdit(this);
    m_searchField->setObjectName(QStringLiteral("SearchField"));
    m_searchField->setPlaceholderText(tr("Search notes (Ctrl+F)"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setGeometry(Twips::rect(5520, kSearchTop, 2295, kSearchHeight));
    m_searchField->installEventFilter(this);

    m_noteList = new QListWidget(this);
    m_noteList->setObjectName(QStringLiteral("List1"));
    m_noteList->setGeometry(Twips::rect(5520, kListTop, 2295, 4545 + kSearchTop - kListTop));
    // Every entry is one line: the list need not measure ten thousand of them one by one.
    m_noteList->setUniformItemSizes(true);
    m_noteList->installEventFilter(this);

    const auto button = [this](const char *name, const QString &caption, int left, int top) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(Twips::rect(left, top, kButtonWidth, kButtonHeight));
        b->setAutoDefault(false);
        return b;
    };
    m_minimizeButton = button("Command1", tr("&Minimize"), 240, 3120);
    m_helpButton = button("Command4", tr("&Help"), 2760, 3120);
    m_newNoteButton = button("Command5", tr("New Note"), 240, 3600);
    m_getNoteButton = button("Command8", tr("Get Note"), 2760, 3600);
    m_optionsButton = button("Command9", tr("Options"), 240, 4080);
    m_suggestionsButton = button("Command10", tr("Suggestions"), 2760, 4080);
    m_aboutButton = button("Command3", tr("Abou&t"), 240, 4560);
    m_exitButton = button("Command2", tr("E&xit"), 2760, 4560);
    m_syncButton = button("Command14", tr("Syncronise with the Internet"), 240, 5040);
    m_syncButton->setGeometry(Twips::rect(240, 5040, 4935, 375));

    m_options = new OptionsPanel(m_settings, this);
    m_options->move(Twips::point(120, 5520));

    m_reminderTimer = new QTimer(this);
    m_reminderTimer->setObjectName(QStringLiteral("Timer4"));
    m_reminderTimer->setInterval(59999);
    connect(m_reminderTimer, &QTimer::timeout, this, &MainWindow::scanReminders);
    m_reminderTimer->start();

    connect(m_minimizeButton, &QPushButton::clicked, this, &MainWindow::minimize);
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(m_optionsButton, &QPushButton::clicked, this, &MainWindow::toggleOptions);
    connect(m_aboutButton, &QPushButton::clicked, this, &MainWindow::showAbout);
    connect(m_helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(m_suggestionsButton, &QPushButton::clicked, this, &MainWindow::showSuggestions);
    connect(m_syncButton, &QPushButton::clicked, this, &MainWindow::openSyncWindow);

    connect(m_newNoteButton, &QPushButton::clicked, this, &MainWindow::newNote);
    connect(m_getNoteButton, &QPushButton::clicked, this, &MainWindow::toggleNoteList);
    // The list starts hidden; the first refresh of the catalogue shows it.
    m_searchField->hide();
    m_noteList->hide();
    connect(m_searchField, &QLineEdit::textChanged, this, &MainWindow::filterNoteList);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &MainWindow::focusSearchField);
    connect(m_noteList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { m_opener->openEntry(item->text()); });

    m_opener = new NoteOpener(*m_options, m_settings, m_folder, this);
    connect(m_opener, &NoteOpener::noteWritten, this, &MainWindow::noteWritten);
    connect(&m_opener->registry(), &WindowRegistry::windowRemoved, this,
            &MainWindow::quitWhenNothingIsLeft, Qt::QueuedConnection);

    m_tray = new TrayIcon(
        windowIcon(),
        QStringLiteral("%1 - %2").arg(QString::fromLatin1(ProductInfo::kName),
                                      QString::fromLatin1(ProductInfo::kPublisherAddress)),
        this);
    connect(m_tray, &TrayIcon::newNoteRequested, this, &MainWindow::newNote);
    connect(m_tray, &TrayIcon::showMainWindowRequested, this, &MainWindow::showAndActivate);
    connect(m_tray, &TrayIcon::noteListRequested, this, [this] {
        showAndActivate();
        if (m_getNoteButton->text() == tr("Get Note"))
            toggleNoteList();
        else
            refreshCatalogue();
    });
    connect(m_tray, &TrayIcon::noteRequested, this,
            [this](const QString &entry) { m_opener->openEntry(entry); });
    m_backup = new DailyBackup(NoteBackups(m_folder.path(), NoteBackups::defaultFolder()), this);
    connect(m_tray, &TrayIcon::backupsFolderRequested, this, [this] {
        QDir().mkpath(m_backup->folder());
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_backup->folder()));
    });
    // A deleted note's window is gone from sight: the tray, or a box, says where it went.
    connect(m_opener, &NoteOpener::noteTrashed, this, [this](const QString &message) {
        if (m_tray->available() && m_tray->isShown())
            m_tray->showMessage(QString::fromLatin1(ProductInfo::kName), message);
        else
            Notice::show(nullptr, message);
    });

    m_sync = new SyncService(m_settings, m_folder.path(), m_opener->registry(), this);
    const QString idleTip = m_tray->toolTip();
    connect(m_sync, &SyncService::statusChanged, this, [this, idleTip](const QString &status) {
        m_tray->setToolTip(idleTip + QLatin1Char('\n') + status);
    });
    connect(m_sync, &SyncService::conflictsKept, this, [this](const QString &message) {
        if (m_tray->available() && m_tray->isShown())
            m_tray->showMessage(QString::fromLatin1(ProductInfo::kName), message);
    });
    connect(m_sync, &SyncService::notesChanged, this, &MainWindow::refreshCatalogue);
    connect(m_sync, &SyncService::accountWanted, this, &MainWindow::openSyncWindow);
    connect(m_tray, &TrayIcon::syncRequested, this, &MainWindow::syncNow);

    m_reminders = new ReminderScanner(m_settings, m_clock, *this, this);
    connect(m_reminders, &ReminderScanner::reminderFired, this,
            [this](const QString &fileName, const QString &firstWords) {
                if (m_tray->available())
                    m_tray->showMessage(tr("Reminder: %1").arg(fileName),
                                        firstWords.isEmpty() ? tr("(empty note)") : firstWords);
            });

    // The session ending or the program quitting waits for the notes still being written.
    const auto finishWrites = [] {
        if (!NoteWriter::finishAll(QDeadlineTimer(NoteWindow::kFinishWritingMs)))
            qWarning("Pinvelle: some notes were still being written when the program ended");
    };
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [finishWrites](QSessionManager &) { finishWrites(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, finishWrites);

    showNotesFolder();
}

// Every note of the folder is looked at, whether or not the list was ever shown.
QStringList MainWindow::reminderNoteFiles() const
{
    QStringList notes;
    const QStringList files = QDir(m_folder.path()).entryList(QDir::Files);
    for (const QString &file : files) {
        if (NoteCatalogue::isNoteFile(file))
            notes << file;
    }
    std::sort(notes.begin(), notes.end(), NoteCatalogue::listsBefore);
    return notes;
}

bool MainWindow::bringNoteToFront(const QString &fileName)
{
    if (m_opener->registry().activate(fileName) != WindowRegistry::Activation::Activated)
        return false;
    askForAttention(m_opener->registry().find(fileName));
    return true;
}

std::optional<QString> MainWindow::openNoteForReminder(const QString &fileName,
                                                       const QString &reminder)
{
    NoteWindow *note = m_opener->openFile(fileName);
    if (!note)
        return std::nullopt;
    if (auto *panel = qobject_cast<ReminderPanel *>(note->reminderPanel()))
        panel->showDue(reminder);
    note->show();
    note->raise();
    note->activateWindow();
    askForAttention(note);
    return note->text();
}

void MainWindow::askForAttention(QWidget *note)
{
    // A window manager may refuse to hand the focus over while the user types elsewhere; the
    // urgency hint then marks the note in the task bar until it is activated.
    if (note && !note->isActiveWindow())
        QApplication::alert(note);
}

MainWindow::~MainWindow()
{
    delete m_syncWindow;
}

void MainWindow::start()
{
    // The folder is ours by now: what an interrupted save left in it is settled before any
    // note opens, so a note opens with its newest text. Each outcome is logged.
    LeftoverSaves(m_folder.path(), NoteTrash::forThisUser()).settle(QDateTime::currentDateTime());
    m_backup->start();
    setSizeTwips(kStartWidth, kStartHeight);
    m_options->readLayoutOptions();
    m_options->readBorder();
    if (m_options->openAllOnStartup()) {
        // The notes take their colour from the colour box, so it is filled first.
        m_options->fillColourList();
        openAllNotes();
    }
    if (m_tray->available())
        m_tray->add();
    m_sync->setSiteAddress(m_siteAddress);
    m_options->readRunMinimized();
    if (m_options->runMinimized())
        minimize();
    else
        show();
    m_options->fillColourList();
    // Last, the run-at-startup question; the main window waits hidden for the answer.
    if (StartupQuestion::shouldAsk(m_settings)) {
        hide();
        m_startupQuestion = new StartupQuestion(m_settings, Autostart::forThisSystem(), this);
        connect(m_startupQuestion, &StartupQuestion::answered, this, [this] {
            if (m_options->runMinimized())
                minimize();
            else
                showAndActivate();
            m_startupQuestion->deleteLater();
        });
        m_startupQuestion->show();
    }
}

int MainWindow::widthTwips() const
{
    return Twips::fromPixels(width()) + kFrameWidthTwips;
}

int MainWindow::heightTwips() const
{
    return Twips::fromPixels(height()) + kFrameHeightTwips;
}

void MainWindow::setSizeTwips(int width, int height)
{
    resize(Twips::toPixels(width - kFrameWidthTwips), Twips::toPixels(height - kFrameHeightTwips));
}

void MainWindow::showAndActivate()
{
    // Shown again from hiding, a window the user placed by hand would be placed anew by the
    // window manager; asking for the old place keeps it where it was.
    if (m_placeBeforeHiding && isHidden())
        move(*m_placeBeforeHiding);
    m_placeBeforeHiding.reset();
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::setPassedOverFolder(const QString &folder)
{
    m_passedOverFolder = folder;
    showNotesFolder();
}

void MainWindow::showNotesFolder()
{
    QString text = tr("Notes folder: %1").arg(QDir::toNativeSeparators(m_folder.path()));
    if (!m_passedOverFolder.isEmpty())
        text = tr("%1 cannot be written, so notes are kept in %2")
                   .arg(QDir::toNativeSeparators(m_passedOverFolder),
                        QDir::toNativeSeparators(m_folder.path()));
    m_notesFolderLabel->setText(text);
    m_notesFolderLabel->setToolTip(text);
}

void MainWindow::minimize()
{
    refreshCatalogue();
    if (m_tray->available()) {
        if (isVisible())
            m_placeBeforeHiding = pos();
        hide();
        m_tray->add();
    } else {
        // Without a tray icon the task bar is the only way back, so minimise rather than hide.
        showMinimized();
    }
}

void MainWindow::newNote()
{
    m_opener->newNote();
}

void MainWindow::toggleNoteList()
{
    if (m_getNoteButton->text() == tr("Get Note")) {
        refreshCatalogue();
        m_getNoteButton->setText(tr("Hide Note"));
    } else {
        setSizeTwips(kStartWidth, heightTwips());
        m_getNoteButton->setText(tr("Get Note"));
    }
}

void MainWindow::refreshCatalogue()
{
    m_catalogue.refresh();
    m_noteList->clear();
    m_tray->setNotes({});
    // Widen the window so that the list shows, unless it is minimised or off the top.
    const QScreen *where = screen();
    const int screenTop = where ? where->geometry().top() : 0;
    if (widthTwips() < kWidthWithList && !isMinimized() && frameGeometry().top() >= screenTop)
        setSizeTwips(kWidthWithList, heightTwips());
    m_searchField->show();
    m_noteList->show();
    const QStringList entries = m_catalogue.entries();
    m_noteList->addItems(entries);
    m_tray->setNotes(entries);
    m_filteredBy.clear(); // every entry is new: look at them all
    filterNoteList();
}

void MainWindow::filterNoteList()
{
    const QString typed = m_searchField->text();
    const NoteSearch search(typed);
    // Typing on at the end only narrows: a note the shorter text ruled out stays out.
    const bool narrowing = !m_filteredBy.isEmpty() && typed.startsWith(m_filteredBy);
    m_filteredBy = typed;
    const int rows = std::min(m_noteList->count(), m_catalogue.size());
    for (int row = 0; row < rows; ++row) {
        const bool hidden = m_noteList->isRowHidden(row);
        if (narrowing && hidden)
            continue;
        const bool hide = !m_catalogue.matches(row, search);
        if (hide != hidden)
            m_noteList->setRowHidden(row, hide);
    }
}

void MainWindow::focusSearchField()
{
    if (m_getNoteButton->text() == tr("Get Note"))
        toggleNoteList();
    m_searchField->setFocus(Qt::ShortcutFocusReason);
    m_searchField->selectAll();
}

void MainWindow::openSelectedNote()
{
    const QListWidgetItem *item = m_noteList->currentItem();
    if (item && !item->isHidden())
        m_opener->openEntry(item->text());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_searchField) {
        if (key == Qt::Key_Escape && !m_searchField->text().isEmpty()) {
            m_searchField->clear();
            return true;
        }
        if (key == Qt::Key_Down || enter) {
            // Into the filtered list, on its first match unless a match is already chosen.
            const QListWidgetItem *current = m_noteList->currentItem();
            if (!current || current->isHidden()) {
                for (int row = 0; row < m_noteList->count(); ++row) {
                    if (!m_noteList->isRowHidden(row)) {
                        m_noteList->setCurrentRow(row);
                        break;
                    }
                }
            }
            if (enter)
                openSelectedNote();
            else
                m_noteList->setFocus(Qt::OtherFocusReason);
            return true;
        }
    } else if (watched == m_noteList && enter) {
        openSelectedNote();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::noteWritten(const QString &path, const QString &text)
{
    // Only a list that has been filled is kept up to date as notes are written.
    if (!m_noteList->isVisibleTo(this))
        return;
    // The note says what it wrote: the file is not read back for its preview.
    const NoteCatalogue::Change change = m_catalogue.noteWritten(QFileInfo(path).fileName(), text);
    using Kind = NoteCatalogue::Change::Kind;
    switch (change.kind) {
    case Kind::None:
        return;
    case Kind::Updated:
        m_noteList->item(change.row)->setText(m_catalogue.entry(change.row));
        break;
    case Kind::Inserted:
        m_noteList->insertItem(change.row, m_catalogue.entry(change.row));
        break;
    case Kind::Removed:
        delete m_noteList->takeItem(change.row);
        break;
    }
    if (change.kind != Kind::Removed)
        m_noteList->setRowHidden(
            change.row, !m_catalogue.matches(change.row, NoteSearch(m_searchField->text())));
    if (change.kind == Kind::Updated) {
        m_tray->setNote(change.row, m_catalogue.entry(change.row));
    } else {
        // Rows below the change moved: the tray's twenty items follow the list.
        for (int row = change.row; row < TrayIcon::kNoteItems; ++row)
            m_tray->setNote(row, row < m_catalogue.size() ? m_catalogue.entry(row) : QString());
        m_tray->setMoreNotesShown(m_catalogue.size() > TrayIcon::kNoteItems);
    }
}

void MainWindow::openAllNotes()
{
    refreshCatalogue();
    for (int row = 0; row < m_catalogue.size(); ++row)
        m_opener->openFile(m_catalogue.fileName(row));
}

void MainWindow::quitWhenNothingIsLeft()
{
    // Once the main window is closed, the program lasts as long as its open notes.
    if (m_unloaded && !isVisible() && m_opener->registry().windows().isEmpty())
        m_sync->finishBeforeExit([] { QCoreApplication::quit(); });
}

void MainWindow::exitProgram()
{
    // What was typed last is on its way to the disk: Exit waits for it, and rather than
    // lose it keeps running when the disk does not answer in time.
    if (!NoteWriter::finishAll(QDeadlineTimer(NoteWindow::kFinishWritingMs))) {
        Notice::show(this, tr("Pinvelle keeps running because the disk did not finish writing "
                              "some notes within %1 seconds. Try Exit again in a moment.")
                               .arg(NoteWindow::kFinishWritingMs / 1000));
        return;
    }
    // Edits that automatic saving did not write are offered for saving first.
    UnsavedNotes::confirmExit(this, [this] {
        unload();
        // Edits are dealt with by now. Hiding the notes writes any position still waiting
        // to be written; exit() then skips quit()'s closing of every window one at a time,
        // which rescans all widgets after each close and takes seconds with a thousand notes.
        for (QWidget *note : m_opener->registry().windows())
            note->hide();
        m_sync->finishBeforeExit([] { QCoreApplication::exit(0); });
    });
}

void MainWindow::toggleOptions()
{
    if (m_options->isVisible()) {
        setSizeTwips(widthTwips(), kHeightWithoutOptions);
        m_options->hide();
    } else {
        setSizeTwips(widthTwips(), kHeightWithOptions);
        m_options->show();
    }
}

StartupQuestion *MainWindow::startupQuestion() const
{
    return m_startupQuestion;
}

void MainWindow::showAbout()
{
    m_info.showAbout(this, m_folder.path());
}

void MainWindow::showHelp()
{
    m_info.openHelp();
}

void MainWindow::showSuggestions()
{
    m_info.showSuggestions(this);
}

void MainWindow::openSyncWindow()
{
    // One window; using the command again shows it with a fresh list.
    if (!m_syncWindow) {
        m_syncWindow = new SyncWindow(m_folder.path(), m_siteAddress);
        connect(m_syncWindow, &SyncWindow::catalogueRefreshWanted, this,
                &MainWindow::refreshCatalogue);
        connect(m_syncWindow, &SyncWindow::notesPulled, this, &MainWindow::refreshCatalogue);
        connect(m_syncWindow, &SyncWindow::siteAddressChanged, this,
                [this](const QString &address) {
                    m_siteAddress = address;
                    m_settings.save(Keys::SyncSite, address);
                    m_sync->setSiteAddress(address);
                });
        m_syncWindow->setEmail(m_settings.read(Keys::SyncEmail));
        connect(m_syncWindow, &SyncWindow::emailChanged, this,
                [this](const QString &address) { m_settings.save(Keys::SyncEmail, address); });
        m_sync->attach(m_syncWindow);
    }
    m_syncWindow->showAndRefresh();
}

ShellReply MainWindow::syncNow()
{
    return m_sync->syncNow();
}

SyncWindow *MainWindow::syncWindow() const
{
    return m_syncWindow;
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutForSize();
}

void MainWindow::layoutForSize()
{
    // Each dimension follows the window on its own; one that would come out negative
    // (a narrow or minimised window) leaves the list as it was.
    const int listWidth = widthTwips() - kListWidthMargin;
    if (listWidth >= 0) {
        m_noteList->resize(Twips::toPixels(listWidth), m_noteList->height());
        m_searchField->resize(m_noteList->width(), m_searchField->height());
    }
    const int listHeight = heightTwips() - kListHeightMargin;
    if (listHeight >= 0) {
        // Keep the list's foot inside the window, whose outer height counts the title bar.
        const int room = height() - m_noteList->y() - Twips::toPixels(120);
        m_noteList->resize(m_noteList->width(),
                           std::max(0, std::min(Twips::toPixels(listHeight), room)));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    unload();
    QWidget::closeEvent(event);
    quitWhenNothingIsLeft();
}

void MainWindow::unload()
{
    // Notes save themselves as they change; only the tray icon goes.
    m_tray->remove();
    m_unloaded = true;
}

void MainWindow::scanReminders()
{
    m_reminders->scan();
}

void MainWindow::setClock(const Clock &clock)
{
    m_reminders->setClock(clock);
    m_opener->setClock(clock);
}
