#include "NoteForm.h"

#include "UnsavedNotes.h"

#include "NoteOptions.h"
#include "NotePlacement.h"
#include "SaveAsName.h"
#include "TimeStamp.h"
#include "platform/Notice.h"
#include "platform/ProductInfo.h"
#include "platform/Topmost.h"
#include "platform/Twips.h"
#include "settings/NoteColours.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {

// The window's outer size counts a title bar and borders of this many twips; the body
// fills the rest.
constexpr int kFrameHeight = 299;
constexpr int kFrameWidth = 100;

// Where the body sits while the Save As row is shown above it.
constexpr int kBodyTopBelowNameRow = 359;

// The body as designed, before any size is applied.
constexpr int kBodyDesignWidth = 4215;
constexpr int kBodyDesignHeight = 3015;

// Font sizes beyond this are typing mistakes that would make the note unreadable.
constexpr double kMaxFontPoints = 1638.0;

// Position writes wait until a move has settled, so dragging does not write at every step.
constexpr int kPositionDelayMs = 400;

constexpr const char *kWarningBarStyle =
    "QLabel { background: #fff4c2; color: #5a3b00; border-top: 1px solid #c9a227; "
    "padding: 2px 4px; }";

} // namespace

NoteForm::NoteForm(const NoteOptions &options, SettingsStore &settings, const NotesFolder &folder,
                   Qt::WindowFlags flags)
    : QWidget(nullptr, flags), m_options(options), m_settings(settings), m_folder(folder)
{
    setWindowTitle(QString::fromLatin1(ProductInfo::kName));
    // Note windows belong to the desktop once shown; closing one ends it.
    setAttribute(Qt::WA_DeleteOnClose);

    Text1 = new QTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    Text1->setFont(font);
    // The note is plain text; pasted formatting would not survive the file anyway.
    Text1->setAcceptRichText(false);
    // Ctrl+Z is the note's own one-step undo; the edit box's undo would fight it.
    Text1->setUndoRedoEnabled(false);
    Text1->setContextMenuPolicy(Qt::NoContextMenu);
    Text1->viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    Text1->setGeometry(Twips::rect(0, 0, kBodyDesignWidth, kBodyDesignHeight));
    Text1->installEventFilter(this);
    Text1->viewport()->installEventFilter(this);

    Text2 = new QLineEdit(QStringLiteral("Text2"), this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(Twips::rect(4680, 2760, 855, 285));
    Text2->hide();

    Text3 = new QLineEdit(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setGeometry(Twips::rect(0, 0, 2295, 285));
    Text3->hide();
    Command1 = new QPushButton(tr("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips::rect(2280, 0, 735, 255));
    Command1->hide();
    Command2 = new QPushButton(tr("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(Twips::rect(3120, 0, 735, 255));
    Command2->hide();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);

    WarningBar = new QLabel(this);
    WarningBar->setObjectName(QStringLiteral("WarningBar"));
    WarningBar->setWordWrap(true);
    WarningBar->setFocusPolicy(Qt::NoFocus);
    WarningBar->setAutoFillBackground(true);
    WarningBar->setToolTip(tr("Click to close this message"));
    WarningBar->installEventFilter(this);
    WarningBar->hide();

    m_positionTimer = new QTimer(this);
    m_positionTimer->setSingleShot(true);
    m_positionTimer->setInterval(kPositionDelayMs);

    buildMenu();

    connect(Text2, &QLineEdit::textChanged, this, &NoteForm::Text2_Change);
    connect(Text1, &QTextEdit::textChanged, this, &NoteForm::Text1_Change);
    connect(Timer2, &QTimer::timeout, this, &NoteForm::Timer2_Timer);
    connect(Command1, &QPushButton::clicked, this, &NoteForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &NoteForm::Command2_Click);
    connect(Text3, &QLineEdit::returnPressed, this, &NoteForm::Command1_Click);
    connect(m_positionTimer, &QTimer::timeout, this, &NoteForm::storePosition);

    setSizeTwips(kBodyDesignHeight + kFrameHeight, kBodyDesignWidth + kFrameWidth);
}

NoteForm::~NoteForm() = default;

void NoteForm::buildMenu()
{
    RMenu = new QMenu(QStringLiteral("RMenu"), this);
    RMenu->setObjectName(QStringLiteral("RMenu"));
    const auto item = [this](const char *name, const QString &caption) {
        QAction *action = RMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    const auto separator = [this](const char *name) {
        RMenu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    DeleteNote = item("DeleteNote", tr("Delete"));
    HideNote = item("HideNote", tr("Hide"));
    SaveAS = item("SaveAS", tr("Save As"));
    SaveNote = item("SaveNote", tr("Save"));
    NoteStayOnTop = item("NoteStayOnTop", tr("Stay On Top"));
    NoteStayOnTop->setCheckable(true);
    TimeStamp = item("TimeStamp", tr("Time Stamp"));
    separator("filler");
    CopyMenu = item("CopyMenu", tr("Copy"));
    CutMenu = item("CutMenu", tr("Cut"));
    PasteMenu = item("PasteMenu", tr("Paste"));
    SelectAllMenu = item("SelectAllMenu", tr("Select All"));
    separator("filler2");
    MenuPrint = item("MenuPrint", tr("Print"));
    separator("filler3");
    Reminder = item("Reminder", tr("Set Date/Time Reminder"));

    connect(DeleteNote, &QAction::triggered, this, &NoteForm::DeleteNote_Click);
    connect(HideNote, &QAction::triggered, this, &QWidget::hide);
    connect(SaveAS, &QAction::triggered, this, &NoteForm::SaveAS_Click);
    connect(SaveNote, &QAction::triggered, this, &NoteForm::SaveNote_Click);
    connect(NoteStayOnTop, &QAction::triggered, this, &NoteForm::NoteStayOnTop_Click);
    connect(TimeStamp, &QAction::triggered, this, &NoteForm::TimeStamp_Click);
    connect(CopyMenu, &QAction::triggered, Text1, &QTextEdit::copy);
    connect(CutMenu, &QAction::triggered, Text1, &QTextEdit::cut);
    connect(PasteMenu, &QAction::triggered, Text1, &QTextEdit::paste);
    connect(SelectAllMenu, &QAction::triggered, Text1, &QTextEdit::selectAll);
    connect(MenuPrint, &QAction::triggered, this, &NoteForm::PrintNote);
    connect(Reminder, &QAction::triggered, this, &NoteForm::reminderRequested);
}

// ---- Hand-over and loading ----

void NoteForm::load(const QString &key)
{
    setText2Tag(key);
    const QString now = QDateTime::currentDateTime().toString();
    // A second hand-over within the same second changes nothing in Text2, yet must load.
    if (Text2->text() == now)
        Text2_Change();
    else
        Text2->setText(now);
}

void NoteForm::setText2Tag(const QString &key)
{
    Text2->setProperty("Tag", key);
}

QString NoteForm::text2Tag() const
{
    return Text2->property("Tag").toString();
}

QString NoteForm::noteTitle() const
{
    return m_loaded ? windowTitle() : QString();
}

void NoteForm::Text2_Change()
{
    // 1. The default size from the options; a field that is not a number is passed over.
    const std::optional<int> height = NotePlacement::parseLength(m_options.defaultHeightText());
    const std::optional<int> width = NotePlacement::parseLength(m_options.defaultWidthText());
    setSizeTwips(height.value_or(m_heightTwips), width.value_or(m_widthTwips));

    // 2. A number names the file.
    QString key = text2Tag();
    bool numeric = false;
    const short number = key.trimmed().toShort(&numeric);
    if (numeric) {
        m_noteNumber = number;
        key = NotesFolder::fileName(number);
        setText2Tag(key);
    }

    // 3. and 4. Read the note. Loading is not an edit: the file keeps its bytes, encoding
    // and modification time until the user changes the text.
    m_saver.setPath(m_folder.filePath(key));
    const QString body = NoteSaver::toBodyText(ReadNoteFile(m_saver.path()));
    m_saver.loaded(body);
    {
        const QSignalBlocker blocker(Text1);
        Text1->setPlainText(body);
    }
    applyFontSize();

    // 5. An empty note opened by its file name is titled with that name too, so its size
    // and position are kept under the name it is saved as.
    setWindowTitle(QFileInfo(m_saver.path()).fileName());
    m_loaded = true;
    restorePosition();
    if (!Text1->toPlainText().isEmpty() && !m_options.creatingNotes())
        show();

    // 6. to 8.
    if (m_options.allOnTop())
        SetTopmost(this, true);
    GetNoteSize();
    GetText();
}

void NoteForm::GetNoteSize()
{
    const QString stored =
        m_settings.read(QString::fromLatin1(Keys::NoteSizeSection), windowTitle(), QString());
    if (const std::optional<NotePlacement::Size> size = NotePlacement::parseSize(stored))
        setSizeTwips(size->height, size->width);
}

void NoteForm::GetText()
{
    if (const std::optional<QColor> colour = NoteColours::byName(m_options.colourText())) {
        QPalette palette = Text1->palette();
        palette.setColor(QPalette::Base, *colour);
        Text1->setPalette(palette);
    }
}

// ---- Size, layout and position ----

void NoteForm::setSizeTwips(int height, int width)
{
    m_heightTwips = height;
    m_widthTwips = width;
    resize(std::max(1, Twips::toPixels(width - kFrameWidth)),
           std::max(1, Twips::toPixels(height - kFrameHeight)));
    // A hidden window hears of its new size only when shown, so lay out now.
    Form_Resize();
}

void NoteForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Twips are kept as set; only a size that did not come from them is measured again,
    // so rounding to pixels never turns the default 3000-4000 into 2999-4000.
    const QSize expected(std::max(1, Twips::toPixels(m_widthTwips - kFrameWidth)),
                         std::max(1, Twips::toPixels(m_heightTwips - kFrameHeight)));
    if (size() != expected) {
        m_heightTwips = Twips::fromPixels(height()) + kFrameHeight;
        m_widthTwips = Twips::fromPixels(width()) + kFrameWidth;
    }
    Form_Resize();
}

void NoteForm::Form_Resize()
{
    layoutBody();
    if (!m_loaded)
        return;
    const NotePlacement::Size size{m_heightTwips, m_widthTwips};
    if (!NotePlacement::storesSize(size))
        return;
    // Dragging a border resizes many times over; write only what the store does not hold.
    const QString written = windowTitle() + QLatin1Char('/') + NotePlacement::sizeText(size);
    if (written == m_sizeWritten)
        return;
    if (m_settings.save(QString::fromLatin1(Keys::NoteSizeSection), windowTitle(),
                        NotePlacement::sizeText(size)))
        m_sizeWritten = written;
}

void NoteForm::layoutBody()
{
    // The body fills the window below the Save As row when that is shown; its height stays.
    // A warning about a failed write takes the foot of the window, so no text hides under it.
    const int warning = layoutWarningBar();
    Text1->setGeometry(0, Twips::toPixels(m_bodyTopTwips), width(), height() - warning);
    if (m_reminderPanel)
        m_reminderPanel->raise();
}

int NoteForm::layoutWarningBar()
{
    if (WarningBar->isHidden())
        return 0;
    const int barHeight = WarningBar->heightForWidth(width());
    const int h = barHeight > 0 ? barHeight : WarningBar->sizeHint().height();
    WarningBar->setGeometry(0, std::max(0, height() - h), width(), h);
    WarningBar->raise();
    return h;
}

void NoteForm::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_loaded && isVisible())
        m_positionTimer->start();
}

void NoteForm::closeEvent(QCloseEvent *event)
{
    // Closing would lose edits that automatic saving did not write: ask first.
    if (!m_closeConfirmed && hasUnsavedEdits()) {
        event->ignore();
        UnsavedNotes::confirm({this}, this, [note = QPointer<NoteForm>(this)] {
            if (!note)
                return;
            note->m_closeConfirmed = true;
            note->close();
        });
        return;
    }
    QWidget::closeEvent(event);
}

void NoteForm::hideEvent(QHideEvent *event)
{
    if (m_positionTimer->isActive()) {
        m_positionTimer->stop();
        storePosition();
    }
    QWidget::hideEvent(event);
}

void NoteForm::storePosition()
{
    if (!m_loaded)
        return;
    const QPoint topLeft = frameGeometry().topLeft();
    const QPoint twips(Twips::fromPixels(topLeft.x()), Twips::fromPixels(topLeft.y()));
    m_settings.save(QString::fromLatin1(Keys::NotePositionSection), windowTitle(),
                    NotePlacement::positionText(twips));
}

void NoteForm::restorePosition()
{
    const QString stored =
        m_settings.read(QString::fromLatin1(Keys::NotePositionSection), windowTitle(), QString());
    const std::optional<QPoint> twips = NotePlacement::parsePosition(stored);
    if (!twips)
        return;
    QList<QRect> screens;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens.append(screen->availableGeometry());
    }
    const QRect frame(Twips::point(twips->x(), twips->y()), frameGeometry().size());
    move(NotePlacement::keepVisible(frame, screens));
}

// ---- Editing and saving ----

void NoteForm::setBodyText(const QString &text)
{
    {
        // One change, one run of the save routine, whatever the edit box reports.
        const QSignalBlocker blocker(Text1);
        Text1->setPlainText(text);
    }
    Text1_Change();
}

void NoteForm::Text1_Change()
{
    Timer2_Timer();
}

void NoteForm::Timer2_Timer()
{
    reportWrite(m_saver.run(Text1->toPlainText(), m_options.autoSave()));
    applyFontSize();
}

void NoteForm::applyFontSize()
{
    bool ok = false;
    const double points = m_options.fontSizeText().trimmed().toDouble(&ok);
    if (!ok || !(points > 0.0) || points > kMaxFontPoints)
        return;
    QFont font = Text1->font();
    if (font.pointSizeF() == points)
        return;
    font.setPointSizeF(points);
    Text1->setFont(font);
}

void NoteForm::reportWrite(const NoteSaver::Outcome &outcome)
{
    if (!outcome.attempted)
        return;
    if (outcome.write.ok()) {
        Timer2->stop();
        m_lastWriteError.clear();
        m_failureShown = false;
        if (!WarningBar->isHidden()) {
            WarningBar->hide();
            layoutBody();
        }
        emit noteWritten(outcome.write.path);
        if (!outcome.write.trashedTo.isEmpty())
            tellTrashed(outcome.write.trashedTo);
        return;
    }
    m_lastWriteError = outcome.write.message();
    // Styled when first needed: a style sheet per note window costs time and memory at
    // start-up with hundreds of notes open, and most notes never show the bar.
    if (WarningBar->styleSheet().isEmpty())
        WarningBar->setStyleSheet(QString::fromLatin1(kWarningBarStyle));
    WarningBar->setText(m_lastWriteError);
    // Tried again every second until the disk takes the note (space freed, folder back).
    Timer2->start();
    // Told once: the bar stays until closed or until a write works again, and it never
    // takes the keyboard from the note.
    if (!m_failureShown) {
        m_failureShown = true;
        WarningBar->show();
        layoutBody();
    }
}

void NoteForm::tellTrashed(const QString &trashedTo)
{
    const QString message =
        tr("The old text of %1 is in the trash: %2")
            .arg(QFileInfo(m_saver.path()).fileName(), QDir::toNativeSeparators(trashedTo));
    if (m_deleting || !isVisible()) {
        emit noteTrashed(message);
        return;
    }
    // In the bar at the foot, as a failed write is: the keyboard stays in the note, and the
    // bar goes with the next write.
    if (WarningBar->styleSheet().isEmpty())
        WarningBar->setStyleSheet(QString::fromLatin1(kWarningBarStyle));
    WarningBar->setText(message);
    WarningBar->show();
    layoutBody();
}

bool NoteForm::saveNow()
{
    m_saver.forceNextSave();
    Timer2_Timer();
    return m_lastWriteError.isEmpty();
}

bool NoteForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Z && key->modifiers() == Qt::ControlModifier) {
            Text1_KeyDown();
            return true;
        }
    } else if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            Text1_MouseDown(mouse->globalPosition().toPoint());
            return true;
        }
    } else if (watched == WarningBar && event->type() == QEvent::MouseButtonPress) {
        WarningBar->hide();
        layoutBody();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void NoteForm::Text1_KeyDown()
{
    // Straight after opening there is nothing to undo; the loaded text stays as it was.
    if (m_saver.previous() == m_saver.lastSaved())
        return;
    setBodyText(m_saver.previous());
}

void NoteForm::Text1_MouseDown(const QPoint &globalPos)
{
    RMenu->popup(globalPos);
}

// ---- The note's menu ----

void NoteForm::TimeStamp_Click()
{
    setBodyText(Text1->toPlainText() + QLatin1Char(' ') +
                TimeStamp::text(QDateTime::currentDateTime()));
}

void NoteForm::setPrinter(QPrinter *printer)
{
    m_printer = printer;
}

void NoteForm::PrintNote()
{
    const QString text = Text1->toPlainText();
    if (text.isEmpty()) {
        Notice::show(this, tr("You can not print a blank Note"));
        return;
    }
    QTextDocument document;
    document.setDefaultFont(Text1->font());
    document.setPlainText(text + QLatin1Char('\n'));
    if (m_printer) {
        document.print(m_printer);
        return;
    }
    QPrinter printer;
    // Without a printer there is nothing to print on.
    if (printer.isValid() && !printer.printerName().isEmpty())
        document.print(&printer);
}

void NoteForm::NoteStayOnTop_Click()
{
    // The action has already flipped its own check mark.
    SetTopmost(this, NoteStayOnTop->isChecked());
}

void NoteForm::DeleteNote_Click()
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(ProductInfo::kName),
                                tr("Are you sure you would like to delete this note?"),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("DeleteQuestion"));
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->standardButton(box->clickedButton()) != QMessageBox::Yes)
            return;
        // Forced, so the file goes even with automatic saving off; the second run finds
        // nothing new and leaves the deleted text as the one Ctrl+Z brings back.
        m_saver.forceNextSave();
        m_deleting = true;
        setBodyText(QString());
        Timer2_Timer();
        m_deleting = false;
        // A note whose file could not be removed stays in sight with its warning.
        if (m_lastWriteError.isEmpty())
            hide();
    });
    box->show();
}

void NoteForm::SaveNote_Click()
{
    if (saveNow())
        Notice::show(this, tr("Note Saved"));
    else
        Notice::show(this, m_lastWriteError);
}

void NoteForm::SaveAS_Click()
{
    Text3->setText(QFileInfo(m_saver.path()).fileName());
    showNameRow(true);
    Text3->setFocus();
    Text3->selectAll();
}

void NoteForm::Command1_Click()
{
    QString name = Text3->text();
    QString problem = SaveAsName::problem(name);
    // Only names ending in the extension are listed, so it is added as the user meant it.
    if (problem.isEmpty() && !name.endsWith(QLatin1String(".pv"), Qt::CaseInsensitive)) {
        name += QStringLiteral(".pv");
        problem = SaveAsName::problem(name);
    }
    if (!problem.isEmpty()) {
        // The note keeps its file and title; the row stays for another try.
        connect(Notice::show(this, problem), &QMessageBox::finished, Text3, [this] {
            activateWindow();
            Text3->setFocus();
        });
        return;
    }
    const QString path = m_folder.filePath(name);
    if (path == m_saver.path()) {
        saveAs(name, false);
        return;
    }
    // Two windows on one file would undo each other's keystrokes: the open one comes forward.
    if (m_openNoteFinder && m_openNoteFinder(name)) {
        showNameRow(false);
        return;
    }
    if (!QFileInfo::exists(path)) {
        saveAs(name, false);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Question, QString::fromLatin1(ProductInfo::kName),
                                tr("A note named %1 already exists.").arg(name),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("ReplaceQuestion"));
    box->setInformativeText(tr("Replace it?"));
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, box, name] {
        if (box->standardButton(box->clickedButton()) == QMessageBox::Yes) {
            saveAs(name, true);
            return;
        }
        activateWindow();
        Text3->setFocus();
    });
    box->show();
}

void NoteForm::saveAs(const QString &name, bool replacing)
{
    m_saver.setPath(m_folder.filePath(name));
    setWindowTitle(name);
    showNameRow(false);
    m_saver.forceNextSave();
    if (replacing)
        m_saver.trashOldFileAtNextWrite();
    Timer2_Timer();
}

void NoteForm::Command2_Click()
{
    showNameRow(false);
}

void NoteForm::showNameRow(bool shown)
{
    Text3->setVisible(shown);
    Command1->setVisible(shown);
    Command2->setVisible(shown);
    m_bodyTopTwips = shown ? kBodyTopBelowNameRow : 0;
    layoutBody();
    if (!shown)
        Text1->setFocus();
}

void NoteForm::showFocused()
{
    show();
    raise();
    // A thin-bordered note is a tool window, which the desktop does not activate on its own.
    activateWindow();
    Text1->setFocus();
}

// ---- Reminder panel ----

void NoteForm::setReminderPanel(QWidget *panel)
{
    if (m_reminderPanel && m_reminderPanel != panel)
        m_reminderPanel->deleteLater();
    m_reminderPanel = panel;
    if (!panel)
        return;
    panel->setParent(this);
    panel->setGeometry(Twips::rect(120, 360, 3135, 1455));
    panel->hide();
    panel->raise();
}
