#include "FormMenu.h"

#include "notes/NoteForm.h"
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
#include "shell/StartupQuestion.h"
#include "shell/TrayIcon.h"
#include "sync/SyncWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
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

// The list keeps this much of the window's width and height for everything else.
constexpr int kListWidthMargin = 5720;
constexpr int kListHeightMargin = 700;
constexpr int kListTop = 360;

constexpr int kButtonWidth = 2415;
constexpr int kButtonHeight = 375;

} // namespace

FormMenu::FormMenu(SettingsStore &settings, NotesFolder folder, QWidget *parent)
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

    Label1 = new QLabel(tr("Pinvelle lets you write notes and post them to you computer monitor, "
                           "the notes are automatically saved as you type them. Note options can "
                           "be reached by right clicking on a note."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont courier(QStringLiteral("Courier New"), 9);
    courier.setStyleHint(QFont::TypeWriter);
    Label1->setFont(courier);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(Twips::rect(240, 120, 4935, 1935));

    LabelNotesFolder = new QLabel(this);
    LabelNotesFolder->setObjectName(QStringLiteral("LabelNotesFolder"));
    LabelNotesFolder->setWordWrap(true);
    LabelNotesFolder->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    LabelNotesFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelNotesFolder->setGeometry(Twips::rect(240, 2100, 4935, 900));

    Label4 = new QLabel(tr("List Of Notes"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(Twips::rect(5520, 120, 2295, 255));

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(Twips::rect(5520, kListTop, 2295, 4545));

    const auto button = [this](const char *name, const QString &caption, int left, int top) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(Twips::rect(left, top, kButtonWidth, kButtonHeight));
        b->setAutoDefault(false);
        return b;
    };
    Command1 = button("Command1", tr("&Minimize"), 240, 3120);
    Command4 = button("Command4", tr("&Help"), 2760, 3120);
    Command5 = button("Command5", tr("New Note"), 240, 3600);
    Command8 = button("Command8", tr("Get Note"), 2760, 3600);
    Command9 = button("Command9", tr("Options"), 240, 4080);
    Command10 = button("Command10", tr("Suggestions"), 2760, 4080);
    Command3 = button("Command3", tr("Abou&t"), 240, 4560);
    Command2 = button("Command2", tr("E&xit"), 2760, 4560);
    Command14 = button("Command14", tr("Syncronise with the Internet"), 240, 5040);
    Command14->setGeometry(Twips::rect(240, 5040, 4935, 375));

    Frame2 = new OptionsPanel(m_settings, this);
    Frame2->move(Twips::point(120, 5520));

    Timer4 = new QTimer(this);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(59999);
    connect(Timer4, &QTimer::timeout, this, &FormMenu::Timer4_Timer);
    Timer4->start();
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(100);

    connect(Command1, &QPushButton::clicked, this, &FormMenu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FormMenu::Command2_Click);
    connect(Command9, &QPushButton::clicked, this, &FormMenu::Command9_Click);
    connect(Command3, &QPushButton::clicked, this, &FormMenu::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FormMenu::Command4_Click);
    connect(Command10, &QPushButton::clicked, this, &FormMenu::Command10_Click);
    connect(Command14, &QPushButton::clicked, this, &FormMenu::Command14_Click);

    connect(Command5, &QPushButton::clicked, this, &FormMenu::Command5_Click);
    connect(Command8, &QPushButton::clicked, this, &FormMenu::Command8_Click);
    // The list starts hidden; the first refresh of the catalogue shows it.
    List1->hide();
    connect(List1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { m_opener->openEntry(item->text()); });

    m_opener = new NoteOpener(*Frame2, m_settings, m_folder, this);
    connect(m_opener, &NoteOpener::noteWritten, this, &FormMenu::noteWritten);
    connect(&m_opener->registry(), &WindowRegistry::windowRemoved, this,
            &FormMenu::quitWhenNothingIsLeft, Qt::QueuedConnection);

    m_tray = new TrayIcon(
        windowIcon(),
        QStringLiteral("%1 - %2").arg(QString::fromLatin1(ProductInfo::kName),
                                      QString::fromLatin1(ProductInfo::kPublisherAddress)),
        this);
    connect(m_tray, &TrayIcon::newNoteRequested, this, &FormMenu::Command5_Click);
    connect(m_tray, &TrayIcon::showMainWindowRequested, this, &FormMenu::showAndActivate);
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

    m_reminders = new ReminderScanner(m_settings, m_clock, *this, this);
    connect(m_reminders, &ReminderScanner::reminderFired, this,
            [this](const QString &fileName, const QString &firstWords) {
                if (m_tray->available())
                    m_tray->showMessage(tr("Reminder: %1").arg(fileName),
                                        firstWords.isEmpty() ? tr("(empty note)") : firstWords);
            });

    showNotesFolder();
}

// Every note of the folder is looked at, whether or not the list was ever shown.
QStringList FormMenu::reminderNoteFiles() const
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

bool FormMenu::bringNoteToFront(const QString &fileName)
{
    return m_opener->registry().activate(fileName) == WindowRegistry::Activation::Activated;
}

std::optional<QString> FormMenu::openNoteForReminder(const QString &fileName,
                                                     const QString &reminder)
{
    NoteForm *note = m_opener->openFile(fileName);
    if (!note)
        return std::nullopt;
    if (auto *panel = qobject_cast<ReminderPanel *>(note->reminderPanel()))
        panel->showDue(reminder);
    note->show();
    return note->Text1->toPlainText();
}

FormMenu::~FormMenu()
{
    delete m_syncWindow;
}

void FormMenu::Form_Load()
{
    // The folder is ours by now; what an interrupted save left in it can go.
    m_folder.removeLitter(QDateTime::currentDateTime());
    m_backup->start();
    setSizeTwips(kStartWidth, kStartHeight);
    Frame2->readLayoutOptions();
    Frame2->readBorder();
    if (Frame2->openAllOnStartup()) {
        // The notes take their colour from the colour box, so it is filled first.
        Frame2->fillColourList();
        openAllNotes();
    }
    if (m_tray->available())
        m_tray->add();
    Frame2->readRunMinimized();
    if (Frame2->runMinimized())
        Command1_Click();
    else
        show();
    Frame2->fillColourList();
    // Last, the run-at-startup question; the main window waits hidden for the answer.
    if (StartupQuestion::shouldAsk(m_settings)) {
        hide();
        m_startupQuestion = new StartupQuestion(m_settings, Autostart::forThisSystem(), this);
        connect(m_startupQuestion, &StartupQuestion::answered, this, [this] {
            if (Frame2->runMinimized())
                Command1_Click();
            else
                showAndActivate();
            m_startupQuestion->deleteLater();
        });
        m_startupQuestion->show();
    }
}

int FormMenu::widthTwips() const
{
    return Twips::fromPixels(width()) + kFrameWidthTwips;
}

int FormMenu::heightTwips() const
{
    return Twips::fromPixels(height()) + kFrameHeightTwips;
}

void FormMenu::setSizeTwips(int width, int height)
{
    resize(Twips::toPixels(width - kFrameWidthTwips), Twips::toPixels(height - kFrameHeightTwips));
}

void FormMenu::showAndActivate()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void FormMenu::setPassedOverFolder(const QString &folder)
{
    m_passedOverFolder = folder;
    showNotesFolder();
}

void FormMenu::showNotesFolder()
{
    QString text = tr("Notes folder: %1").arg(QDir::toNativeSeparators(m_folder.path()));
    if (!m_passedOverFolder.isEmpty())
        text = tr("%1 cannot be written, so notes are kept in %2")
                   .arg(QDir::toNativeSeparators(m_passedOverFolder),
                        QDir::toNativeSeparators(m_folder.path()));
    LabelNotesFolder->setText(text);
    LabelNotesFolder->setToolTip(text);
}

void FormMenu::Command1_Click()
{
    refreshCatalogue();
    if (m_tray->available()) {
        hide();
        m_tray->add();
    } else {
        // Without a tray icon the task bar is the only way back, so minimise rather than hide.
        showMinimized();
    }
}

void FormMenu::Command5_Click()
{
    m_opener->newNote();
}

void FormMenu::Command8_Click()
{
    if (Command8->text() == tr("Get Note")) {
        refreshCatalogue();
        Command8->setText(tr("Hide Note"));
    } else {
        setSizeTwips(kStartWidth, heightTwips());
        Command8->setText(tr("Get Note"));
    }
}

void FormMenu::refreshCatalogue()
{
    m_catalogue.refresh();
    List1->clear();
    m_tray->setNotes({});
    // Widen the window so that the list shows, unless it is minimised or off the top.
    const QScreen *where = screen();
    const int screenTop = where ? where->geometry().top() : 0;
    if (widthTwips() < kWidthWithList && !isMinimized() && frameGeometry().top() >= screenTop)
        setSizeTwips(kWidthWithList, heightTwips());
    List1->show();
    const QStringList entries = m_catalogue.entries();
    List1->addItems(entries);
    m_tray->setNotes(entries.mid(0, TrayIcon::kNoteItems));
}

void FormMenu::noteWritten(const QString &path)
{
    // Only a list that has been filled is kept up to date as notes are written.
    if (!List1->isVisibleTo(this))
        return;
    const NoteCatalogue::Change change = m_catalogue.noteChanged(QFileInfo(path).fileName());
    using Kind = NoteCatalogue::Change::Kind;
    switch (change.kind) {
    case Kind::None:
        return;
    case Kind::Updated:
        List1->item(change.row)->setText(m_catalogue.entry(change.row));
        break;
    case Kind::Inserted:
        List1->insertItem(change.row, m_catalogue.entry(change.row));
        break;
    case Kind::Removed:
        delete List1->takeItem(change.row);
        break;
    }
    if (change.kind == Kind::Updated) {
        m_tray->setNote(change.row, m_catalogue.entry(change.row));
    } else {
        // Rows below the change moved: the tray's twenty items follow the list.
        for (int row = change.row; row < TrayIcon::kNoteItems; ++row)
            m_tray->setNote(row, row < m_catalogue.size() ? m_catalogue.entry(row) : QString());
    }
}

void FormMenu::openAllNotes()
{
    refreshCatalogue();
    for (int row = 0; row < m_catalogue.size(); ++row)
        m_opener->openFile(m_catalogue.fileName(row));
}

void FormMenu::quitWhenNothingIsLeft()
{
    // Once the main window is closed, the program lasts as long as its open notes.
    if (m_unloaded && !isVisible() && m_opener->registry().windows().isEmpty())
        QCoreApplication::quit();
}

void FormMenu::Command2_Click()
{
    // Edits that automatic saving did not write are offered for saving first.
    UnsavedNotes::confirmExit(this, [this] {
        Form_Unload();
        // Edits are dealt with by now. Hiding the notes writes any position still waiting
        // to be written; exit() then skips quit()'s closing of every window one at a time,
        // which rescans all widgets after each close and takes seconds with a thousand notes.
        for (QWidget *note : m_opener->registry().windows())
            note->hide();
        QCoreApplication::exit(0);
    });
}

void FormMenu::Command9_Click()
{
    if (Frame2->isVisible()) {
        setSizeTwips(widthTwips(), kHeightWithoutOptions);
        Frame2->hide();
    } else {
        setSizeTwips(widthTwips(), kHeightWithOptions);
        Frame2->show();
    }
}

StartupQuestion *FormMenu::startupQuestion() const
{
    return m_startupQuestion;
}

void FormMenu::Command3_Click()
{
    m_info.showAbout(this, m_folder.path());
}

void FormMenu::Command4_Click()
{
    m_info.openHelp();
}

void FormMenu::Command10_Click()
{
    m_info.showSuggestions(this);
}

void FormMenu::Command14_Click()
{
    // One window; using the command again shows it with a fresh list.
    if (!m_syncWindow) {
        m_syncWindow = new SyncWindow(m_folder.path(), m_siteAddress);
        connect(m_syncWindow, &SyncWindow::catalogueRefreshWanted, this,
                &FormMenu::refreshCatalogue);
        connect(m_syncWindow, &SyncWindow::notesPulled, this, &FormMenu::refreshCatalogue);
    }
    m_syncWindow->showAndRefresh();
}

SyncWindow *FormMenu::syncWindow() const
{
    return m_syncWindow;
}

void FormMenu::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void FormMenu::Form_Resize()
{
    // Each dimension follows the window on its own; one that would come out negative
    // (a narrow or minimised window) leaves the list as it was.
    const int listWidth = widthTwips() - kListWidthMargin;
    if (listWidth >= 0)
        List1->resize(Twips::toPixels(listWidth), List1->height());
    const int listHeight = heightTwips() - kListHeightMargin;
    if (listHeight >= 0) {
        // Keep the list's foot inside the window, whose outer height counts the title bar.
        const int room = height() - List1->y() - Twips::toPixels(120);
        List1->resize(List1->width(), std::max(0, std::min(Twips::toPixels(listHeight), room)));
    }
}

void FormMenu::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QWidget::closeEvent(event);
    quitWhenNothingIsLeft();
}

void FormMenu::Form_Unload()
{
    // Notes save themselves as they change; only the tray icon goes.
    m_tray->remove();
    m_unloaded = true;
}

void FormMenu::Timer4_Timer()
{
    m_reminders->scan();
}

void FormMenu::setClock(const Clock &clock)
{
    m_reminders->setClock(clock);
    m_opener->setClock(clock);
}
