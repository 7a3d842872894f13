#include "ReminderPanel.h"

#include "Clock.h"
#include "platform/Twips.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);

QString setCaption()
{
    return ReminderPanel::tr("Set Reminder");
}

QString cancelCaption()
{
    return ReminderPanel::tr("Cancel Reminder");
}

QString section()
{
    return QString::fromLatin1(Keys::NoteReminderSection);
}

} // namespace

ReminderPanel::ReminderPanel(SettingsStore &settings, const Clock &clock, QWidget *parent)
    : QFrame(parent), m_settings(settings), m_clock(clock), m_caption(QStringLiteral("Frame1"))
{
    setObjectName(QStringLiteral("Frame1"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    setFont(font);
    setAutoFillBackground(true);
    setBackColor(kWhite);

    Label1 = new QLabel(tr("MM / DD / YYYY    TIME     AM/PM"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Transparent: the panel's colour, flashing or not, shows behind the headings.
    Label1->setAutoFillBackground(false);
    Label1->setGeometry(Twips::rect(240, 120, 2895, 255));

    const auto field = [this](const char *name, int left, int width) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(Twips::rect(left, 310, width, 285));
        return edit;
    };
    Text4 = field("Text4", 240, 375);
    Text5 = field("Text5", 600, 375);
    Text8 = field("Text8", 960, 495);
    Text9 = field("Text9", 1560, 595);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // Typing a mark and pressing Enter must not grow the list.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("AM"));
    // The box is narrow; the classic drawing leaves "AM" and "PM" room beside the arrow.
    // The style goes with the panel, after the box that uses it.
    if (QStyle *classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(this);
        Combo1->setStyle(classic);
    }
    // Its height follows its font, as a drop-down list's does.
    const QRect place = Twips::rect(2280, 310, 615, 0);
    Combo1->setGeometry(place.x(), place.y(), place.width(), Combo1->sizeHint().height());

    const auto button = [this](const char *name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(Twips::rect(left, 720, 1335, 255));
        b->setAutoDefault(false);
        return b;
    };
    Command4 = button("Command4", setCaption(), 120);
    Command5 = button("Command5", tr("Cancel"), 1560);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(Command4, &QPushButton::clicked, this, &ReminderPanel::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &ReminderPanel::Command5_Click);
    connect(Timer1, &QTimer::timeout, this, &ReminderPanel::Timer1_Timer);
}

ReminderPanel::~ReminderPanel() = default;

QString ReminderPanel::key() const
{
    return window()->windowTitle();
}

void ReminderPanel::Reminder_Click()
{
    show();
    raise();
    const QString value = m_settings.read(section(), key(), QString());
    if (!value.isEmpty()) {
        setFields(ReminderText::split(value));
        Command4->setText(cancelCaption());
    }
    // Fields that hold something, loaded or typed earlier in this window, are kept.
    if (!Text4->text().isEmpty())
        return;
    const ReminderText::Fields now = ReminderText::fromDateTime(m_clock.now());
    Text4->setText(now.month);
    Text5->setText(now.day);
    Text8->setText(now.year);
    Text9->setText(now.time);
    Combo1->clear();
    Combo1->addItem(QStringLiteral("AM"));
    Combo1->addItem(QStringLiteral("PM"));
    Combo1->setEditText(now.mark);
}

void ReminderPanel::Command4_Click()
{
    if (Command4->text() == setCaption()) {
        m_settings.save(section(), key(), ReminderText::join(fields()));
        Command4->setText(cancelCaption());
    } else {
        // The AM/PM mark stays as it was.
        Text4->clear();
        Text5->clear();
        Text8->clear();
        Text9->clear();
        Command4->setText(setCaption());
        m_settings.save(section(), key(), QString());
    }
    // The flashing goes on while hidden; only Cancel stops it.
    hide();
}

void ReminderPanel::Command5_Click()
{
    setBackColor(kWhite);
    Timer1->stop();
    hide();
}

void ReminderPanel::Timer1_Timer()
{
    setBackColor(backColor() == kWhite ? kBlue : kWhite);
}

void ReminderPanel::showDue(const QString &value)
{
    Timer1->start();
    show();
    raise();
    if (!value.isEmpty())
        setFields(ReminderText::split(value));
}

ReminderText::Fields ReminderPanel::fields() const
{
    return ReminderText::Fields{Text4->text(), Text5->text(), Text8->text(), Text9->text(),
                                Combo1->currentText()};
}

void ReminderPanel::setFields(const ReminderText::Fields &fields)
{
    Text4->setText(fields.month);
    Text5->setText(fields.day);
    Text8->setText(fields.year);
    Text9->setText(fields.time);
    Combo1->setEditText(fields.mark);
}

QColor ReminderPanel::backColor() const
{
    return palette().color(QPalette::Window);
}

void ReminderPanel::setBackColor(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void ReminderPanel::paintEvent(QPaintEvent *)
{
    // An etched border a half line down, broken by the caption at its top left, over the
    // panel's own colour; the headings below may come close to the caption but do not
    // cross its letters.
    QPainter painter(this);
    painter.fillRect(rect(), backColor());
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect border = rect().adjusted(0, top, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(border);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.translated(1, 1));
    const int margin = metrics.horizontalAdvance(QLatin1Char(' '));
    const QRect captionRect(2 * margin, 0, metrics.horizontalAdvance(m_caption) + 2 * margin,
                            metrics.height());
    painter.fillRect(captionRect, backColor());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignCenter, m_caption);
}
