#include "NoteWindow.h"
#include "NoteBar.h"
#include "NoteFileFollower.h"

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
#include "store/NoteWriter.h"

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
#include <QScrollBar>
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

Qt::WindowFlags windowFlagsFor(NoteBorder border)
{
    // Neither kind has minimise or maximise buttons; the thin one is a tool window with a
    // narrow title bar.
    if (border == NoteBorder::Thin)
        return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

} // namespace

NoteWindow::NoteWindow(NoteBorder border, const NoteOptions &options, SettingsStore &settings,
                       const NotesFolder &folder)
    : QWidget(nullptr, windowFlagsFor(border)), m_border(border), m_options(options),
      m_settings(settings), m_folder(folder)
{
    // The old window class names, which tools and tests find the kinds of note by.
    setObjectName(border == NoteBorder::Thin ? QStringLiteral("NoteForm1")
                                             : QStringLiteral("NoteForm22"));
    setWindowTitle(QString::fromLatin1(ProductInfo::kName));
    // Note windows belong to the desktop once shown; closing one ends it.
    setAttribute(Qt::WA_DeleteOnClose);

    m_body = new QTextEdit(this);
    m_body->setObjectName(QStringLiteral("Text1"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    m_body->setFont(font);
    // The note is plain text; pasted formatting would not survive the file anyway.
    m_body->setAcceptRichText(false);
    // Ctrl+Z is the note's own one-step undo; the edit box's undo would fight it.
    m_body->setUndoRedoEnabled(false);
    m_body->setContextMenuPolicy(Qt::NoContextMenu);
    m_body->viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    m_body->setGeometry(Twips::rect(0, 0, kBodyDesignWidth, kBodyDesignHeight));
    m_body->installEventFilter(this);
    m_body->viewport()->installEventFilter(this);

    // The Save As row and the warning bar are made when first needed: most notes never
    // show them, and with hundreds of notes open each control counts.
    m_saveAsName = nullptr;
    m_saveAsOk = nullptr;
    m_saveAsCancel = nullptr;
    m_warningBar = nullptr;

    m_writer = new NoteWriter(this);
    connect(m_writer, &NoteWriter::written, this, &NoteWindow::reportWrite);
    m_follower = new NoteFileFollower(m_saver, *m_writer, this);
    connect(m_follower, &NoteFileFollower::textTaken, this, &NoteWindow::showTakenText);
    connect(m_follower, &NoteFileFollower::told, this, &NoteWindow::showNotice);

    m_retryTimer = new QTimer(this);
    m_retryTimer->setObjectName(QStringLiteral("Timer2"));
    m_retryTimer->setInterval(1000);

    m_positionTimer = new QTimer(this);
    m_positionTimer->setSingleShot(true);
    m_positionTimer->setInterval(kPositionDelayMs);

    connect(m_body, &QTextEdit::textChanged, this, &NoteWindow::onBodyEdited);
    connect(m_retryTimer, &QTimer::timeout, this, &NoteWindow::runSaveRoutine);
    connect(m_positionTimer, &QTimer::timeout, this, &NoteWindow::storePosition);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &NoteWindow::keepOnScreens);

    setSizeTwips(kBodyDesignHeight + kFrameHeight, kBodyDesignWidth + kFrameWidth);
}

NoteWindow::~NoteWindow() = default;

void NoteWindow::buildNameRow()
{
    if (m_saveAsName)
        return;
    m_saveAsName = new QLineEdit(this);
    m_saveAsName->setObjectName(QStringLiteral("Text3"));
    m_saveAsName->setGeometry(Twips::rect(0, 0, 2295, 285));
    m_saveAsName->hide();
    m_saveAsOk = new QPushButton(tr("OK"), this);
    m_saveAsOk->setObjectName(QStringLiteral("Command1"));
    m_saveAsOk->setGeometry(Twips::rect(2280, 0, 735, 255));
    m_saveAsOk->hide();
    m_saveAsCancel = new QPushButton(tr("Cancel"), this);
    m_saveAsCancel->setObjectName(QStringLiteral("Command2"));
    m_saveAsCancel->setGeometry(Twips::rect(3120, 0, 735, 255));
    m_saveAsCancel->hide();
    connect(m_saveAsOk, &QPushButton::clicked, this, &NoteWindow::confirmSaveAs);
    connect(m_saveAsCancel, &QPushButton::clicked, this, &NoteWindow::cancelSaveAs);
    connect(m_saveAsName, &QLineEdit::returnPressed, this, &NoteWindow::confirmSaveAs);
}

NoteBar *NoteWindow::warningBar()
{
    if (m_warningBar)
        return m_warningBar;
    m_warningBar = new NoteBar(this);
    connect(m_warningBar, &NoteBar::closed, this, &NoteWindow::layoutBody);
    return m_warningBar;
}

QMenu *NoteWindow::menu()
{
    if (m_menu)
        return m_menu;
    // Made on first use: most notes are never right-clicked, and with hundreds of notes
    // open a menu and its thirteen actions each count.
    m_menu = new QMenu(QStringLiteral("RMenu"), this);
    m_menu->setObjectName(QStringLiteral("RMenu"));
    const auto item = [this](const char *name, const QString &caption, auto receiver, auto slot) {
        QAction *action = m_menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, receiver, slot);
        return action;
    };
    const auto separator = [this](const char *name) {
        m_menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    item("DeleteNote", tr("Delete"), this, &NoteWindow::deleteNote);
    item("HideNote", tr("Hide"), this, &QWidget::hide);
    item("SaveAS", tr("Save As"), this, &NoteWindow::askSaveAsName);
    item("SaveNote", tr("Save"), this, &NoteWindow::save);
    m_stayOnTopAction =
        item("NoteStayOnTop", tr("Stay On Top"), this, &NoteWindow::toggleStayOnTop);
    m_stayOnTopAction->setCheckable(true);
    item("TimeStamp", tr("Time Stamp"), this, &NoteWindow::insertTimeStamp);
    separator("filler");
    item("CopyMenu", tr("Copy"), m_body, &QTextEdit::copy);
    item("CutMenu", tr("Cut"), m_body, &QTextEdit::cut);
    item("PasteMenu", tr("Paste"), m_body, &QTextEdit::paste);
    item("SelectAllMenu", tr("Select All"), m_body, &QTextEdit::selectAll);
    separator("filler2");
    item("MenuPrint", tr("Print"), this, &NoteWindow::print);
    separator("filler3");
    item("Reminder", tr("Set Date/Time Reminder"), this, &NoteWindow::requestReminder);
    return m_menu;
}

// ---- Loading ----

QString NoteWindow::text() const
{
    return m_body->toPlainText();
}

void NoteWindow::setText(const QString &text)
{
    m_body->setPlainText(text);
}

QString NoteWindow::noteTitle() const
{
    return m_loaded ? windowTitle() : QString();
}

void NoteWindow::load(const QString &noteKey)
{
    // 1. The default size from the options; a field that is not a number is passed over.
    const std::optional<int> height = NotePlacement::parseLength(m_options.defaultHeightText());
    const std::optional<int> width = NotePlacement::parseLength(m_options.defaultWidthText());
    setSizeTwips(height.value_or(m_heightTwips), width.value_or(m_widthTwips));

    // 2. A number names the file.
    QString key = noteKey;
    bool numeric = false;
    const short number = key.trimmed().toShort(&numeric);
    if (numeric) {
        m_noteNumber = number;
        key = NotesFolder::fileName(number);
    }

    // 3. and 4. Read the note. Loading is not an edit: the file keeps its bytes, encoding
    // and modification time until the user changes the text.
    m_saver.setPath(m_folder.filePath(key));
    const QString body = NoteSaver::toBodyText(ReadNoteFile(m_saver.path()));
    m_saver.loaded(body);
    m_follower->follow();
    {
        const QSignalBlocker blocker(m_body);
        m_body->setPlainText(body);
    }
    applyFontSize();

    // 5. An empty note opened by its file name is titled with that name too, so its size
    // and position are kept under the name it is saved as.
    setWindowTitle(QFileInfo(m_saver.path()).fileName());
    m_loaded = true;
    // The size comes before the position and the showing: a resize of a window that is
    // being mapped can be taken by the window manager as a move by its frame's offset.
    restoreSize();
    restorePosition();
    // 6. to 8. "On top" is set before the first showing: set on a window just mapped, it
    // rebuilds the native window while the window manager is still framing it, and under
    // load the note could then stay unmapped.
    if (m_options.allOnTop())
        SetTopmost(this, true);
    applyColour();
    if (!m_body->toPlainText().isEmpty() && !m_options.creatingNotes())
        showLaidOutOnce();
}

void NoteWindow::showLaidOutOnce()
{
    // Showing lays the text out for the box's width. A note longer than its box is then laid
    // out a second time, narrower, once the scroll bar has appeared; with a thousand notes
    // opening that is a large share of the start. When the lines alone overflow the box the
    // bar is shown from the first layout. The policy goes back to "as needed" straight after,
    // so Qt still decides, and a wrong guess only costs the second layout it would anyway.
    const int lines = m_body->document()->blockCount();
    const int viewHeight = height() - Twips::toPixels(m_bodyTopTwips) - 2 * m_body->frameWidth();
    const bool overflows = lines * QFontMetrics(m_body->font()).height() > viewHeight;
    if (overflows && !isVisible())
        m_body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    show();
    m_body->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void NoteWindow::restoreSize()
{
    const QString stored =
        m_settings.read(QString::fromLatin1(Keys::NoteSizeSection), windowTitle(), QString());
    if (const std::optional<NotePlacement::Size> size = NotePlacement::parseSize(stored))
        setSizeTwips(size->height, size->width);
}

void NoteWindow::applyColour()
{
    if (const std::optional<QColor> colour = NoteColours::byName(m_options.colourText())) {
        QPalette palette = m_body->palette();
        palette.setColor(QPalette::Base, *colour);
        m_body->setPalette(palette);
    }
}

// ---- Size, layout and position ----

void NoteWindow::setSizeTwips(int height, int width)
{
    m_heightTwips = height;
    m_widthTwips = width;
    resize(std::max(1, Twips::toPixels(width - kFrameWidth)),
           std::max(1, Twips::toPixels(height - kFrameHeight)));
    // A hidden window hears of its new size only when shown, so lay out now.
    layoutForSize();
}

void NoteWindow::resizeEvent(QResizeEvent *event)
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
    layoutForSize();
}

void NoteWindow::layoutForSize()
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

void NoteWindow::layoutBody()
{
    // The body fills the window below the Save As row when that is shown; its height stays.
    // A warning about a failed write takes the foot of the window, so no text hides under it.
    const int warning = layoutWarningBar();
    m_body->setGeometry(0, Twips::toPixels(m_bodyTopTwips), width(), height() - warning);
    if (m_reminderPanel)
        m_reminderPanel->raise();
}

int NoteWindow::layoutWarningBar()
{
    if (!m_warningBar || m_warningBar->isHidden())
        return 0;
    const int barHeight = m_warningBar->heightForWidth(width());
    const int h = barHeight > 0 ? barHeight : m_warningBar->sizeHint().height();
    m_warningBar->setGeometry(0, std::max(0, height() - h), width(), h);
    m_warningBar->raise();
    return h;
}

void NoteWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_loaded && isVisible())
        m_positionTimer->start();
}

void NoteWindow::closeEvent(QCloseEvent *event)
{
    // The last keystrokes are on their way to the disk; closing waits for them, so only
    // edits that really were not written are asked about.
    if (!m_closeConfirmed)
        finishWriting(QDeadlineTimer(kFinishWritingMs));
    // Closing would lose edits that automatic saving did not write: ask first.
    if (!m_closeConfirmed && hasUnsavedEdits()) {
        event->ignore();
        UnsavedNotes::confirm({this}, this, [note = QPointer<NoteWindow>(this)] {
            if (!note)
                return;
            note->m_closeConfirmed = true;
            note->close();
        });
        return;
    }
    QWidget::closeEvent(event);
}

void NoteWindow::hideEvent(QHideEvent *event)
{
    if (m_positionTimer->isActive()) {
        m_positionTimer->stop();
        storePosition();
    }
    QWidget::hideEvent(event);
}

void NoteWindow::storePosition()
{
    if (!m_loaded)
        return;
    // The frame's position, as restorePosition puts it back: storing the client area's and
    // restoring it as the frame's would move the note by its title bar at every open.
    const QPoint topLeft = frameGeometry().topLeft();
    if (m_placedAt == topLeft)
        return; // where the program put it, not where the user left it
    m_placedAt.reset();
    const QPoint twips(Twips::fromPixels(topLeft.x()), Twips::fromPixels(topLeft.y()));
    m_settings.save(QString::fromLatin1(Keys::NotePositionSection), windowTitle(),
                    NotePlacement::positionText(twips));
}

namespace {

// Available areas of the screens there are, the main one first, less one that is going.
QList<QRect> screenAreas(const QScreen *leaving = nullptr)
{
    QList<QRect> areas;
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (primary && primary != leaving)
        areas.append(primary->availableGeometry());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen != primary && screen != leaving)
            areas.append(screen->availableGeometry());
    }
    return areas;
}

} // namespace

void NoteWindow::restorePosition()
{
    const QString stored =
        m_settings.read(QString::fromLatin1(Keys::NotePositionSection), windowTitle(), QString());
    const std::optional<QPoint> twips = NotePlacement::parsePosition(stored);
    if (!twips)
        return;
    const QPoint wanted = Twips::point(twips->x(), twips->y());
    const QRect frame(wanted, frameGeometry().size());
    const QPoint placed = NotePlacement::keepVisible(frame, screenAreas());
    // A pulled-back note keeps its stored position until the user moves it.
    placeFrame(placed);
}

void NoteWindow::placeFrame(const QPoint &position)
{
    m_placedAt = position;
    // move() places a window's frame; before the window is mapped Qt asks the window
    // manager for that frame position, so both kinds of border come back as stored.
    move(position);
}

void NoteWindow::keepOnScreens(const QScreen *removed)
{
    if (!isVisible())
        return; // a hidden window's frame is not known to move it by
    const QRect frame = frameGeometry();
    const QPoint placed = NotePlacement::keepVisible(frame, screenAreas(removed));
    if (placed != frame.topLeft())
        placeFrame(placed);
}

// ---- Editing and saving ----

void NoteWindow::setBodyText(const QString &text)
{
    {
        // One change, one run of the save routine, whatever the edit box reports.
        const QSignalBlocker blocker(m_body);
        m_body->setPlainText(text);
    }
    onBodyEdited();
}

void NoteWindow::onBodyEdited()
{
    m_lastEdit.start();
    runSaveRoutine();
}

bool NoteWindow::isBeingTyped(int pauseMs) const
{
    return hasUnsavedEdits() || (m_lastEdit.isValid() && m_lastEdit.elapsed() < pauseMs);
}

void NoteWindow::runSaveRoutine()
{
    const NoteSaver::Plan plan = m_saver.plan(m_body->toPlainText(), m_options.autoSave());
    // The disk is left to the writer's thread; the outcome comes back to reportWrite.
    if (plan.request)
        m_writer->submit(*plan.request);
    applyFontSize();
}

void NoteWindow::applyFontSize()
{
    bool ok = false;
    const double points = m_options.fontSizeText().trimmed().toDouble(&ok);
    if (!ok || !(points > 0.0) || points > kMaxFontPoints)
        return;
    QFont font = m_body->font();
    if (font.pointSizeF() == points)
        return;
    font.setPointSizeF(points);
    m_body->setFont(font);
}

void NoteWindow::reportWrite(const NoteWriteRequest &request, const NoteWriteResult &result)
{
    m_saver.written(request, result);
    m_follower->wrote(result);
    if (result.ok()) {
        m_retryTimer->stop();
        m_lastWriteError.clear();
        m_failureShown = false;
        if (m_warningBar && m_warningBar->writeWorked())
            layoutBody();
        emit noteWritten(result.path, request.text);
        if (!result.keptAside.isEmpty())
            showNotice(tr("%1 was changed by another program while you typed. Your text is "
                          "saved; the other text is kept as %2.")
                           .arg(QFileInfo(result.path).fileName(),
                                QFileInfo(result.keptAside).fileName()));
        if (!result.trashedTo.isEmpty())
            tellTrashed(result.trashedTo);
        return;
    }
    m_lastWriteError = result.message();
    // Tried again every second until the disk takes the note (space freed, folder back).
    m_retryTimer->start();
    // Told once: the bar stays until closed or until a write works again; a bar closed
    // meanwhile is not opened again by each retry.
    if (!m_failureShown) {
        m_failureShown = true;
        showNotice(m_lastWriteError, false);
    } else {
        warningBar()->setText(m_lastWriteError);
    }
}

void NoteWindow::showNotice(const QString &message, bool untilClicked)
{
    // Made when first needed: most notes never show the bar.
    warningBar()->tell(message, untilClicked);
    layoutBody();
}

void NoteWindow::showTakenText(const QString &bodyText)
{
    // The caret and the view stay where they were, as far as the new text reaches.
    QTextCursor cursor = m_body->textCursor();
    const int position = cursor.position();
    const int scrolled = m_body->verticalScrollBar()->value();
    {
        const QSignalBlocker blocker(m_body);
        m_body->setPlainText(bodyText);
    }
    cursor = m_body->textCursor();
    cursor.setPosition(std::min(position, m_body->document()->characterCount() - 1));
    m_body->setTextCursor(cursor);
    m_body->verticalScrollBar()->setValue(scrolled);
    emit noteWritten(m_saver.path(), NoteSaver::toFileText(m_saver.lastSaved()));
}

void NoteWindow::tellTrashed(const QString &trashedTo)
{
    const QString message =
        tr("The old text of %1 is in the trash: %2")
            .arg(QFileInfo(m_saver.path()).fileName(), QDir::toNativeSeparators(trashedTo));
    if (m_deleting || !isVisible()) {
        emit noteTrashed(message);
        return;
    }
    // In the bar at the foot, as a failed write is: the bar goes with the next write.
    showNotice(message, false);
}

bool NoteWindow::saveNow()
{
    m_saver.forceNextSave();
    runSaveRoutine();
    if (!finishWriting(QDeadlineTimer(kFinishWritingMs)))
        m_lastWriteError = tr("Could not save %1: the disk did not finish writing it in time")
                               .arg(QFileInfo(m_saver.path()).fileName());
    return m_lastWriteError.isEmpty();
}

bool NoteWindow::finishWriting(QDeadlineTimer deadline)
{
    return m_writer->finish(deadline);
}

bool NoteWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_body && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Z && key->modifiers() == Qt::ControlModifier) {
            undoToSaved();
            return true;
        }
    } else if (watched == m_body->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            showMenu(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void NoteWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape left unused by the control in focus is the Save As row's Cancel.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_saveAsName &&
        m_saveAsName->isVisible())
        cancelSaveAs();
    else
        QWidget::keyPressEvent(event);
}

void NoteWindow::undoToSaved()
{
    // Straight after opening there is nothing to undo; the loaded text stays as it was.
    if (m_saver.previous() == m_saver.lastSaved())
        return;
    setBodyText(m_saver.previous());
}

void NoteWindow::showMenu(const QPoint &globalPos)
{
    menu()->popup(globalPos);
}

// ---- The note's menu ----

void NoteWindow::insertTimeStamp()
{
    setBodyText(m_body->toPlainText() + QLatin1Char(' ') +
                TimeStamp::text(QDateTime::currentDateTime()));
}

void NoteWindow::setPrinter(QPrinter *printer)
{
    m_printer = printer;
}

void NoteWindow::print()
{
    const QString text = m_body->toPlainText();
    if (text.isEmpty()) {
        Notice::show(this, tr("You can not print a blank Note"));
        return;
    }
    QTextDocument document;
    document.setDefaultFont(m_body->font());
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

void NoteWindow::toggleStayOnTop()
{
    // The action has already flipped its own check mark.
    SetTopmost(this, m_stayOnTopAction->isChecked());
}

void NoteWindow::deleteNote()
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
        runSaveRoutine();
        // The removal's outcome decides whether the window goes.
        finishWriting(QDeadlineTimer(kFinishWritingMs));
        m_deleting = false;
        // A note whose file could not be removed stays in sight with its warning.
        if (m_lastWriteError.isEmpty())
            hide();
    });
    box->show();
}

void NoteWindow::save()
{
    if (saveNow())
        Notice::show(this, tr("Note Saved"));
    else
        Notice::show(this, m_lastWriteError);
}

void NoteWindow::askSaveAsName()
{
    buildNameRow();
    m_saveAsName->setText(QFileInfo(m_saver.path()).fileName());
    showNameRow(true);
    m_saveAsName->setFocus();
    m_saveAsName->selectAll();
}

void NoteWindow::confirmSaveAs()
{
    QString name = m_saveAsName->text();
    QString problem = SaveAsName::problem(name);
    // Only names ending in the extension are listed, so it is added as the user meant it.
    if (problem.isEmpty() && !name.endsWith(QLatin1String(".pv"), Qt::CaseInsensitive)) {
        name += QStringLiteral(".pv");
        problem = SaveAsName::problem(name);
    }
    if (!problem.isEmpty()) {
        // The note keeps its file and title; the row stays for another try.
        connect(Notice::show(this, problem), &QMessageBox::finished, m_saveAsName, [this] {
            activateWindow();
            m_saveAsName->setFocus();
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
        m_saveAsName->setFocus();
    });
    box->show();
}

void NoteWindow::saveAs(const QString &name, bool replacing)
{
    m_saver.setPath(m_folder.filePath(name));
    m_follower->follow();
    setWindowTitle(name);
    m_placedAt.reset();
    storePosition(); // the note under its new name opens where it stands
    showNameRow(false);
    m_saver.forceNextSave();
    if (replacing)
        m_saver.trashOldFileAtNextWrite();
    runSaveRoutine();
}

void NoteWindow::cancelSaveAs()
{
    showNameRow(false);
}

void NoteWindow::showNameRow(bool shown)
{
    if (m_saveAsName) {
        m_saveAsName->setVisible(shown);
        m_saveAsOk->setVisible(shown);
        m_saveAsCancel->setVisible(shown);
    }
    m_bodyTopTwips = shown ? kBodyTopBelowNameRow : 0;
    layoutBody();
    if (!shown)
        m_body->setFocus();
}

void NoteWindow::showFocused()
{
    show();
    raise();
    // A thin-bordered note is a tool window, which the desktop does not activate on its own.
    activateWindow();
    m_body->setFocus();
}

// ---- The reminder panel ----

void NoteWindow::setReminderPanel(QWidget *panel)
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

QWidget *NoteWindow::reminderPanel()
{
    if (!m_reminderPanel && m_panelMaker)
        setReminderPanel(m_panelMaker());
    return m_reminderPanel;
}

void NoteWindow::requestReminder()
{
    reminderPanel();
    emit reminderRequested();
}
