#include "sync/Form1.h"

#include "platform/Notice.h"
#include "platform/Twips.h"
#include "store/NoteFile.h"
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
const QString kExtension = QStringLiteral(".PV");
constexpr int kPreviewLength = 20;
constexpr int kListLeft = 3480; // twips
constexpr int kCheckMargin = 90;
constexpr qreal kSmallestPoints = 6.0;
constexpr int kRefusedShown = 10;

QString countOfNotes(int count)
{
    return count == 1 ? Form1::tr("1 note") : Form1::tr("%1 notes").arg(count);
}

// Why a transfer ended early comes first: the line may be shortened at its end.
QString stoppedBecause(QString reason)
{
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return Form1::tr("Stopped: %1").arg(reason);
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

Form1::Form1(QString notesFolder, const QString &siteAddress, QWidget *parent)
    // A tool window: fixed size, the small title bar, a close button only.
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_folder(std::move(notesFolder)), m_site(siteAddress),
      m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); }),
      m_push(*this, m_folder), m_pull(*this, m_folder)
{
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QString siteName = m_site.name();
    setWindowTitle(tr("Synchronize with the Internet - ") + siteName +
                   QStringLiteral("/onlinetools.asp"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    setFixedSize(Twips::size(7215, 5760));
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
        if (c->sizeHint().width() > geometry.width())
            c->resize(std::min(c->sizeHint().width(), room), geometry.height());
        return c;
    };
    const auto line = [this](const char *name, const QRect &geometry) {
        auto *t = new QLineEdit(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(geometry);
        return t;
    };

    Label8 = label("Label8",
                   tr("* Note: Do not add anything personal/important to the web site. Even "
                      "though it has password web sites can be hacked.* "),
                   Twips::rect(240, 120, 6615, 735), Qt::red);
    Label8->setFont(boldFont(font(), 9.75));
    Label1 = label("Label1", tr("Email Address "), Twips::rect(120, 720, 3135, 495), Qt::white);
    Label4 = label("Label4",
                   tr("You need to have an Account on ") + siteName + tr(" (Online Tools).") +
                       QStringLiteral("     "),
                   Twips::rect(3600, 720, 3015, 495), Qt::white);
    Text1 = line("Text1", Twips::rect(120, 960, 3135, 285));
    Label5 = label("Label5", tr("Please Click here to create an Account  Online"),
                   Twips::rect(3600, 1200, 3615, 495), Qt::red);
    Label2 = label("Label2", tr("Password"), Twips::rect(120, 1440, 3255, 495), Qt::white);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(Twips::rect(kListLeft, 1440, 3615, 2760));
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    List1->setMouseTracking(true);
    List1->viewport()->setMouseTracking(true);
    Text2 = line("Text2", Twips::rect(120, 1680, 3135, 285));
    Text2->setEchoMode(QLineEdit::Password);
    Text2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Command1 = button("Command1", tr("Push Data to Website"), Twips::rect(120, 2160, 3135, 495));
    Check1 =
        check("Check1", tr("Overwrite Notes on the Internet"), Twips::rect(360, 2760, 2535, 195));
    LabelStatus = label("LabelStatus", QString(), Twips::rect(120, 2985, 3255, 240), Qt::white);
    LabelStatus->setWordWrap(false);
    Command2 = button("Command2", tr("Pull Data from Website"), Twips::rect(120, 3240, 3135, 615));
    Check2 =
        check("Check2", tr("Overwrite Notes the Local Notes"), Twips::rect(360, 3960, 2775, 255));
    Command5 = button("Command5", tr("Select All the Notes"), Twips::rect(3600, 4320, 3255, 255));
    Command4 = button("Command4", tr("Close"), Twips::rect(240, 4440, 3015, 495));
    Command8 = button("Command8", tr("Un Select All Notes"), Twips::rect(3600, 4680, 3255, 255));
    Label10 = label("Label10",
                    tr("Notes that are loaded to the internet can be viewed on ") + siteName +
                        tr(" under Online Tools"),
                    Twips::rect(360, 5040, 6495, 615), Qt::white);
    Label10->setFont(boldFont(font(), 12));
    // Below the client area, never seen: the main window writes the time here to open us.
    Text5 = line("Text5", Twips::rect(3240, 6840, 1215, 495));
    Text5->setText(QStringLiteral("Text5"));
    Text5->setFocusPolicy(Qt::NoFocus);

    setTabOrder(List1, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Check1);
    setTabOrder(Check1, Check2);
    setTabOrder(Check2, Command4);
    setTabOrder(Command4, Command5);
    setTabOrder(Command5, Command8);

    Label5->installEventFilter(this);
    Label4->installEventFilter(this);
    List1->viewport()->installEventFilter(this);

    connect(Text5, &QLineEdit::textChanged, this, &Form1::Text5_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(&m_push, &PushTransfer::progress, this, &Form1::showStatus);
    connect(&m_pull, &PullTransfer::progress, this, &Form1::showStatus);
    connect(&m_push, &PushTransfer::finished, this, &Form1::pushFinished);
    connect(&m_pull, &PullTransfer::finished, this, &Form1::pullFinished);
}

Form1::~Form1()
{
    m_push.cancel();
    m_pull.cancel();
}

void Form1::open()
{
    const QString now = QDateTime::currentDateTime().toString();
    // The same second twice would not count as a change.
    if (Text5->text() == now)
        Text5_Change();
    else
        Text5->setText(now);
}

void Form1::Text5_Change()
{
    show();
    raise();
    activateWindow();
    emit catalogueRefreshWanted();
    List1->clear();
    const QStringList files =
        QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString &fileName : files) {
        if (fileName.right(3).toUpper() != kExtension)
            continue;
        const QString preview =
            ReadNoteFile(QDir(m_folder).filePath(fileName)).left(kPreviewLength);
        QString entry = fileName + QStringLiteral(" - ") + preview;
        entry.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        auto *item = new QListWidgetItem(entry, List1);
        // The entry's own file name, so a name holding ".pv" inside is still found whole.
        item->setData(Qt::UserRole, fileName);
    }
}

void Form1::Command1_Click()
{
    Command1->setEnabled(false);
    emit catalogueRefreshWanted();
    m_push.start(
        m_site.pushRequest(Check1->isChecked(), SyncSite::dateText(QDateTime::currentDateTime())));
}

void Form1::Command2_Click()
{
    Command2->setEnabled(false);
    m_pull.start(m_site.pullRequest(SyncSite::dateText(QDateTime::currentDateTime())));
}

void Form1::Command4_Click()
{
    close();
}

void Form1::Command5_Click()
{
    List1->selectAll();
}

void Form1::Command8_Click()
{
    List1->clearSelection();
}

void Form1::Label5_Click()
{
    // Nothing to report when no browser starts.
    m_openUrl(m_site.accountPage());
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_push.cancel();
    m_pull.cancel();
    QWidget::closeEvent(event);
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    setLinkUnderlined(false);
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label5) {
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
            if (Label5->rect().contains(mouse->position().toPoint()))
                Label5_Click();
            return true;
        }
        default:
            break;
        }
    } else if ((watched == Label4 || watched == List1->viewport()) &&
               event->type() == QEvent::MouseMove) {
        setLinkUnderlined(false);
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::setLinkUnderlined(bool underlined)
{
    QFont font = Label5->font();
    if (font.underline() == underlined)
        return;
    font.setUnderline(underlined);
    Label5->setFont(font);
}

QString Form1::emailAddress() const
{
    return Text1->text();
}

QString Form1::password() const
{
    return Text2->text();
}

int Form1::entryCount() const
{
    return List1->count();
}

bool Form1::isEntrySelected(int row) const
{
    const QListWidgetItem *item = List1->item(row);
    return item && item->isSelected();
}

QString Form1::entryFileName(int row) const
{
    const QListWidgetItem *item = List1->item(row);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

bool Form1::overwriteLocalNotes() const
{
    return Check2->isChecked();
}

void Form1::logInFailed(const QString &text)
{
    // The label's second line would sit under the password box, so the text is kept to one
    // line, in a smaller size where today's fonts need it.
    QFont font = this->font();
    while (font.pointSizeF() > kSmallestPoints &&
           QFontMetrics(font).horizontalAdvance(text) > Label2->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    Label2->setWordWrap(false);
    Label2->setFont(font);
    Label2->setText(text);
    Text2->clear();
}

QString Form1::statusText() const
{
    return m_status;
}

void Form1::showStatus(const QString &text)
{
    // One line under the push box: what does not fit is in the tool tip.
    m_status = text;
    LabelStatus->setText(
        LabelStatus->fontMetrics().elidedText(text, Qt::ElideRight, LabelStatus->width()));
    LabelStatus->setToolTip(text);
}

void Form1::pushFinished(const PushTransfer::Outcome &outcome)
{
    Command1->setEnabled(true);
    QString text = tr("Sent %1").arg(countOfNotes(outcome.sent));
    if (outcome.refused > 0)
        text += tr(", %n refused by the site", nullptr, outcome.refused);
    if (outcome.unreadable > 0)
        text += tr(", %n unreadable", nullptr, outcome.unreadable);
    text += QLatin1Char('.');
    if (!outcome.failure.isEmpty())
        text = stoppedBecause(outcome.failure) + QLatin1Char(' ') + text;
    showStatus(text);
}

void Form1::pullFinished(const PullTransfer::Outcome &outcome)
{
    Command2->setEnabled(true);
    QString text = tr("Stored %1, kept %2, refused %3")
                       .arg(countOfNotes(outcome.stored))
                       .arg(outcome.kept)
                       .arg(outcome.refused.size());
    if (outcome.failed > 0)
        text += tr(", %n not written", nullptr, outcome.failed);
    text += QLatin1Char('.');
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
    emit notesPulled();
}
