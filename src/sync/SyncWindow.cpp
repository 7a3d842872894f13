#include "sync/SyncWindow.h"

#include "platform/Notice.h"
#include "platform/Twips.h"
#include "store/NoteFile.h"
#include "store/NotesFolder.h"
#include "sync/PulledName.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace {
// Dark blue: the colour value 800000 in blue-green-red order.
const QColor kBackground(0x00, 0x00, 0x80);
constexpr int kPreviewLength = 20;
constexpr int kListLeft = 3480; // twips
constexpr int kCheckMargin = 90;
constexpr qreal kSmallestPoints = 6.0;
constexpr int kRefusedShown = 10;
// Names on the status line: a few, each cut short, so the outcome itself stays readable.
constexpr qsizetype kNamesShown = 40;
constexpr qsizetype kNameShown = 30;
// The status line has room for four wrapped lines; what lies below it moves down by as much.
constexpr int kStatusHeight = 840;
constexpr int kBelowStatus = kStatusHeight - 240;
// Sync's row, then the site address row at the bottom.
constexpr int kSyncRowTop = 5760 + kBelowStatus;
constexpr int kSyncRowHeight = 840;
constexpr int kSiteRowTop = kSyncRowTop + kSyncRowHeight;
constexpr int kSiteRowHeight = 405;

QString countOfNotes(int count)
{
    return count == 1 ? SyncWindow::tr("1 note") : SyncWindow::tr("%1 notes").arg(count);
}

// Why a transfer ended early comes first: the line may be shortened at its end.
QString stoppedBecause(QString reason)
{
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return SyncWindow::tr("Stopped: %1").arg(reason);
}

// "a.pv, b.pv and 3 more".
QString someNames(const QStringList &names)
{
    QStringList shown;
    qsizetype length = 0;
    for (const QString &name : names) {
        if (!shown.isEmpty() && length + name.size() > kNamesShown)
            break;
        shown << (name.size() > kNameShown ? name.left(kNameShown - 1) + QChar(0x2026) : name);
        length += shown.last().size() + 2;
    }
    QString text = shown.join(QStringLiteral(", "));
    if (shown.size() < names.size())
        text += SyncWindow::tr(" and %n more", nullptr, int(names.size() - shown.size()));
    return text;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QFont boldFont(const QFont &base, qreal points)
{
    QFont font = base;
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}
} // namespace

SyncWindow::SyncWindow(QString notesFolder, const QString &siteAddress, QWidget *parent)
    // A tool window: fixed size, the small title bar, a close button only.
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_folder(std::move(notesFolder)), m_site(siteAddress),
      m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); }),
      m_push(*this, m_folder), m_pull(*this, m_folder)
{
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QStringLiteral("Arial"), 8));
    setFixedSize(Twips::size(7215, kSiteRowTop + kSiteRowHeight));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);
    setMouseTracking(true);
    // Flat white buttons, greyed text while disabled.
    setStyleSheet(QStringLiteral(
        "QPushButton { background-color: white; color: black; border: 1px solid #404040; }"
        "QPushButton:pressed { background-color: #d8d8d8; }"
        "QPushButton:disabled { color: #808080; }"
        "QPushButton:focus { border: 1px dotted black; }"));

    const auto label = [this](const char *name, const QString &text, const QRect &geometry,
                              const QColor &colour) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(geometry);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setMouseTracking(true);
        setTextColour(l, colour);
        return l;
    };
    const auto button = [this](const char *name, const QString &text, const QRect &geometry) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->setAutoDefault(false);
        return b;
    };
    const auto check = [this](const char *name, const QString &text, const QRect &geometry) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(geometry);
        setTextColour(c, Qt::white);
        // Today's fonts run wider than the one these boxes were measured for; rather than cut
        // the caption off, a box may reach into the free strip before the list.
        const int room = Twips::toPixels(kListLeft - kCheckMargin) - geometry.left();
        if (c->sizeHint().width() > geometry.width() && room > geometry.width())
            c->resize(std::min(c->sizeHint().width(), room), geometry.height());
        return c;
    };
    const auto line = [this](const char *name, const QRect &geometry) {
        auto *t = new QLineEdit(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(geometry);
        return t;
    };

    m_warningLabel =
        label("Label8",
              tr("* Note: Do not add anything personal/important to the web site. Even "
                 "though it has password web sites can be hacked.* "),
              Twips::rect(240, 120, 6615, 735), Qt::red);
    m_warningLabel->setFont(boldFont(font(), 9.75));
    m_emailLabel =
        label("Label1", tr("Email Address "), Twips::rect(120, 720, 3135, 495), Qt::white);
    m_accountLabel = label("Label4", QString(), Twips::rect(3600, 720, 3015, 495), Qt::white);
    m_email = line("Text1", Twips::rect(120, 960, 3135, 285));
    m_accountLink = label("Label5", tr("Please Click here to create an Account  Online"),
                          Twips::rect(3600, 1200, 3615, 495), Qt::red);
    m_passwordLabel = label("Label2", tr("Password"), Twips::rect(120, 1440, 3255, 495), Qt::white);
    m_noteList = new QListWidget(this);
    m_noteList->setObjectName(QStringLiteral("List1"));
    m_noteList->setGeometry(Twips::rect(kListLeft, 1440, 3615, 2760 + kBelowStatus));
    m_noteList->setSelectionMode(QAbstractItemView::MultiSelection);
    m_noteList->setMouseTracking(true);
    m_noteList->viewport()->setMouseTracking(true);
    m_password = line("Text2", Twips::rect(120, 1680, 3135, 285));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    m_pushButton =
        button("Command1", tr("Push Data to Website"), Twips::rect(120, 2160, 3135, 495));
    m_overwriteSiteBox =
        check("Check1", tr("Overwrite Notes on the Internet"), Twips::rect(360, 2760, 2535, 195));
    m_statusLine =
        label("LabelStatus", QString(), Twips::rect(120, 2985, 3255, kStatusHeight), Qt::white);
    m_pullButton = button("Command2", tr("Pull Data from Website"),
                          Twips::rect(120, 3240 + kBelowStatus, 3135, 615));
    m_overwriteLocalBox = check("Check2", tr("Overwrite Notes the Local Notes"),
                                Twips::rect(360, 3960 + kBelowStatus, 2775, 255));
    m_selectAllButton = button("Command5", tr("Select All the Notes"),
                               Twips::rect(3600, 4320 + kBelowStatus, 3255, 255));
    m_closeButton =
        button("Command4", tr("Close"), Twips::rect(240, 4440 + kBelowStatus, 3015, 495));
    m_selectNoneButton = button("Command8", tr("Un Select All Notes"),
                                Twips::rect(3600, 4680 + kBelowStatus, 3255, 255));
    m_viewedOnLabel =
        label("Label10", QString(), Twips::rect(360, 5040 + kBelowStatus, 6495, 615), Qt::white);
    m_viewedOnLabel->setFont(boldFont(font(), 12));
    m_siteLabel = label("LabelSite", tr("Notes site:"),
                        Twips::rect(240, kSiteRowTop + 30, 1095, 255), Qt::white);
    m_siteAddress = line("TextSite", Twips::rect(1320, kSiteRowTop, 5535, 285));
    m_siteAddress->setText(siteAddress);
    m_syncButton = button("SyncNow", tr("Sync Now"), Twips::rect(120, kSyncRowTop, 3135, 375));
    m_automaticBox = check("SyncAutomatically", tr("Sync automatically"),
                           Twips::rect(3600, kSyncRowTop + 60, 3255, 255));
    m_automaticWhyNot = label("LabelSyncWhyNot", QString(),
                              Twips::rect(3600, kSyncRowTop + 330, 3495, 480), Qt::white);
    showSiteName();

    setTabOrder(m_noteList, m_email);
    setTabOrder(m_email, m_password);
    setTabOrder(m_password, m_pushButton);
    setTabOrder(m_pushButton, m_pullButton);
    setTabOrder(m_pullButton, m_overwriteSiteBox);
    setTabOrder(m_overwriteSiteBox, m_overwriteLocalBox);
    setTabOrder(m_overwriteLocalBox, m_closeButton);
    setTabOrder(m_closeButton, m_selectAllButton);
    setTabOrder(m_selectAllButton, m_selectNoneButton);
    setTabOrder(m_selectNoneButton, m_syncButton);
    setTabOrder(m_syncButton, m_automaticBox);
    setTabOrder(m_automaticBox, m_siteAddress);

    m_accountLink->installEventFilter(this);
    m_accountLabel->installEventFilter(this);
    m_noteList->viewport()->installEventFilter(this);

    connect(m_siteAddress, &QLineEdit::editingFinished, this, &SyncWindow::changeSite);
    connect(m_email, &QLineEdit::editingFinished, this,
            [this] { emit emailChanged(m_email->text().trimmed()); });
    connect(m_syncButton, &QPushButton::clicked, this, &SyncWindow::syncNow);
    // Clicks only: the owner setting the box is no change of the user's mind.
    connect(m_automaticBox, &QCheckBox::clicked, this, &SyncWindow::automaticSyncChanged);
    connect(m_pushButton, &QPushButton::clicked, this, &SyncWindow::push);
    connect(m_pullButton, &QPushButton::clicked, this, &SyncWindow::pull);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_selectAllButton, &QPushButton::clicked, this, &SyncWindow::selectAllNotes);
    connect(m_selectNoneButton, &QPushButton::clicked, this, &SyncWindow::selectNoNotes);
    connect(&m_push, &PushTransfer::progress, this, &SyncWindow::showStatus);
    connect(&m_pull, &PullTransfer::progress, this, &SyncWindow::showStatus);
    connect(&m_push, &PushTransfer::finished, this, &SyncWindow::pushFinished);
    connect(&m_pull, &PullTransfer::finished, this, &SyncWindow::pullFinished);
}

SyncWindow::~SyncWindow()
{
    m_push.cancel();
    m_pull.cancel();
}

void SyncWindow::showAndRefresh()
{
    show();
    raise();
    activateWindow();
    emit catalogueRefreshWanted();
    m_noteList->clear();
    refreshList();
    if (!m_push.isRunning() && !m_pull.isRunning())
        warnOfPlainHttp();
}

void SyncWindow::refreshList()
{
    QStringList selected;
    for (const QListWidgetItem *item : m_noteList->selectedItems())
        selected << item->data(Qt::UserRole).toString();
    m_noteList->clear();
    const NotesFolder folder(m_folder);
    for (const QString &fileName : folder.noteFiles()) {
        const QString preview = ReadNoteFile(folder.filePath(fileName)).left(kPreviewLength);
        QString entry = fileName + QStringLiteral(" - ") + preview;
        entry.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        auto *item = new QListWidgetItem(entry, m_noteList);
        // The entry's own file name, so a name holding ".pv" inside is still found whole.
        item->setData(Qt::UserRole, fileName);
        item->setSelected(selected.contains(fileName));
    }
}

void SyncWindow::showSiteName()
{
    const QString siteName = m_site.name();
    setWindowTitle(tr("Synchronize with the Internet - ") + siteName +
                   QStringLiteral("/onlinetools.asp"));
    m_accountLabel->setText(tr("You need to have an Account on ") + siteName +
                            tr(" (Online Tools).") + QStringLiteral("     "));
    m_viewedOnLabel->setText(tr("Notes that are loaded to the internet can be viewed on ") +
                             siteName + tr(" under Online Tools"));
}

void SyncWindow::changeSite()
{
    const QString address = m_siteAddress->text().trimmed();
    if (SyncSite(address).base() == m_site.base())
        return;
    if (!SyncSite::isSiteAddress(address)) {
        showStatus(tr("A site address is like https://notes.example.org: it was not changed."));
        m_siteAddress->setText(m_site.base().toString());
        return;
    }
    m_site = SyncSite(address);
    showSiteName();
    emit siteAddressChanged(address);
    showStatus(QString());
    warnOfPlainHttp();
}

void SyncWindow::warnOfPlainHttp()
{
    if (m_site.sendsPasswordInClear())
        showStatus(tr("Warning: this site address is not https://, so your password would "
                      "travel unencrypted."));
}

QString SyncWindow::missingBeforeStart(bool pushing) const
{
    if (m_email->text().trimmed().isEmpty())
        return tr("Type the e-mail address of your account first.");
    if (m_password->text().trimmed().isEmpty())
        return tr("Type the password of your account first.");
    if (pushing && m_noteList->selectedItems().isEmpty())
        return tr("Select the notes to push in the list first.");
    return {};
}

void SyncWindow::push()
{
    if (const QString missing = missingBeforeStart(true); !missing.isEmpty()) {
        showStatus(missing);
        return;
    }
    m_pushButton->setEnabled(false);
    emit catalogueRefreshWanted();
    m_push.start(m_site.pushRequest(m_overwriteSiteBox->isChecked(),
                                    SyncSite::dateText(QDateTime::currentDateTime())));
}

void SyncWindow::pull()
{
    if (const QString missing = missingBeforeStart(false); !missing.isEmpty()) {
        showStatus(missing);
        return;
    }
    m_pullButton->setEnabled(false);
    m_pull.start(m_site.pullRequest(SyncSite::dateText(QDateTime::currentDateTime())));
}

void SyncWindow::syncNow()
{
    if (!m_accountRemembered) {
        if (const QString missing = missingBeforeStart(false); !missing.isEmpty()) {
            showStatus(missing);
            return;
        }
    }
    emit syncRequested();
}

void SyncWindow::setSyncStatus(const QString &text)
{
    showStatus(text);
}

void SyncWindow::setAutomaticSyncAvailable(bool available, const QString &whyNot)
{
    m_automaticBox->setEnabled(available);
    if (!available)
        m_automaticBox->setChecked(false);
    m_automaticWhyNot->setText(available ? QString() : whyNot);
}

void SyncWindow::setAutomaticSync(bool on)
{
    m_automaticBox->setChecked(on);
}

void SyncWindow::setAccountRemembered(bool remembered)
{
    m_accountRemembered = remembered;
    m_password->setPlaceholderText(remembered ? tr("not needed for Sync Now") : QString());
}

void SyncWindow::selectAllNotes()
{
    m_noteList->selectAll();
}

void SyncWindow::selectNoNotes()
{
    m_noteList->clearSelection();
}

void SyncWindow::openAccountPage()
{
    // Nothing to report when no browser starts.
    m_openUrl(m_site.accountPage());
}

void SyncWindow::closeEvent(QCloseEvent *event)
{
    m_push.cancel();
    m_pull.cancel();
    QWidget::closeEvent(event);
}

void SyncWindow::mouseMoveEvent(QMouseEvent *event)
{
    setLinkUnderlined(false);
    QWidget::mouseMoveEvent(event);
}

bool SyncWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_accountLink) {
        // Handled here, or the label would pass its mouse events on to the window.
        switch (event->type()) {
        case QEvent::MouseMove:
            setLinkUnderlined(true);
            return true;
        case QEvent::MouseButtonPress:
            return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton)
                break;
            if (m_accountLink->rect().contains(mouse->position().toPoint()))
                openAccountPage();
            return true;
        }
        default:
            break;
        }
    } else if ((watched == m_accountLabel || watched == m_noteList->viewport()) &&
               event->type() == QEvent::MouseMove) {
        setLinkUnderlined(false);
    }
    return QWidget::eventFilter(watched, event);
}

void SyncWindow::setLinkUnderlined(bool underlined)
{
    QFont font = m_accountLink->font();
    if (font.underline() == underlined)
        return;
    font.setUnderline(underlined);
    m_accountLink->setFont(font);
}

QString SyncWindow::email() const
{
    return m_email->text();
}

void SyncWindow::setEmail(const QString &address)
{
    m_email->setText(address);
}

QString SyncWindow::emailAddress() const
{
    return email();
}

QString SyncWindow::password() const
{
    return m_password->text();
}

int SyncWindow::entryCount() const
{
    return m_noteList->count();
}

bool SyncWindow::isEntrySelected(int row) const
{
    const QListWidgetItem *item = m_noteList->item(row);
    return item && item->isSelected();
}

QString SyncWindow::entryFileName(int row) const
{
    const QListWidgetItem *item = m_noteList->item(row);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

bool SyncWindow::overwriteLocalNotes() const
{
    return m_overwriteLocalBox->isChecked();
}

void SyncWindow::logInFailed(const QString &text)
{
    // The label's second line would sit under the password box, so the text is kept to one
    // line, in a smaller size where today's fonts need it.
    QFont font = this->font();
    while (font.pointSizeF() > kSmallestPoints &&
           QFontMetrics(font).horizontalAdvance(text) > m_passwordLabel->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    m_passwordLabel->setWordWrap(false);
    m_passwordLabel->setFont(font);
    m_passwordLabel->setText(text);
    m_password->clear();
}

QString SyncWindow::statusText() const
{
    return m_status;
}

void SyncWindow::showStatus(const QString &text)
{
    m_status = text;
    // A long folder name may break after any of its separators.
    QString shown = text;
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u200b"));
    m_statusLine->setText(shown);
}

void SyncWindow::pushFinished(const PushTransfer::Outcome &outcome)
{
    m_pushButton->setEnabled(true);
    if (std::exchange(m_listStale, false))
        refreshList();
    QStringList parts;
    if (outcome.stored > 0)
        parts << tr("%n stored", nullptr, outcome.stored);
    if (outcome.replaced > 0)
        parts << tr("%n replaced", nullptr, outcome.replaced);
    if (outcome.kept > 0)
        parts << tr("%n kept", nullptr, outcome.kept);
    if (outcome.same > 0)
        parts << tr("%n already there", nullptr, outcome.same);
    if (outcome.refused > 0)
        parts << tr("%n refused by the site", nullptr, outcome.refused);
    if (outcome.failed > 0)
        parts << tr("%n not stored, try again", nullptr, outcome.failed);
    if (outcome.unanswered > 0)
        parts << tr("%n not confirmed by the site", nullptr, outcome.unanswered);
    QString text = tr("Sent %1").arg(countOfNotes(outcome.sent()));
    if (!parts.isEmpty())
        text += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    text += QLatin1Char('.');
    if (outcome.unreadable > 0)
        text += tr(" %n unreadable.", nullptr, outcome.unreadable);
    if (!outcome.keptNames.isEmpty())
        text += tr(" Kept on the site (differs): %1.").arg(someNames(outcome.keptNames));
    if (!outcome.failure.isEmpty())
        text = stoppedBecause(outcome.failure) + QLatin1Char(' ') + text;
    showStatus(text);
}

void SyncWindow::pullFinished(const PullTransfer::Outcome &outcome)
{
    m_pullButton->setEnabled(true);
    QString text = tr("Stored %1, kept %2, refused %3")
                       .arg(countOfNotes(outcome.stored))
                       .arg(outcome.kept)
                       .arg(outcome.refused.size());
    if (outcome.failed > 0)
        text += tr(", %n not written", nullptr, outcome.failed);
    text += QLatin1Char('.');
    if (!outcome.trashFolder.isEmpty())
        text += tr(" The local notes it replaced went to %1.")
                    .arg(QDir::toNativeSeparators(outcome.trashFolder));
    if (!outcome.failure.isEmpty())
        text = stoppedBecause(outcome.failure) + QLatin1Char(' ') + text;
    showStatus(text);

    if (!outcome.refused.isEmpty() || outcome.failed > 0) {
        QStringList lines;
        if (!outcome.refused.isEmpty()) {
            lines << tr("These notes from the site were not stored, because their names are "
                        "not plain file names:");
            for (const QString &name : outcome.refused.mid(0, kRefusedShown))
                lines << QStringLiteral("  ") + PulledName::shown(name);
            if (outcome.refused.size() > kRefusedShown)
                lines << tr("  and %n more", nullptr,
                            static_cast<int>(outcome.refused.size()) - kRefusedShown);
        }
        lines << outcome.failures;
        Notice::show(this, lines.join(QLatin1Char('\n')));
    }
    // A push running reads the list by position: the new notes wait until it is done.
    m_listStale = m_push.isRunning();
    if (!m_listStale)
        refreshList();
    emit notesPulled();
}
