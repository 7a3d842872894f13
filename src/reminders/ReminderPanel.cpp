#include "ReminderPanel.h"

#include "Clock.h"
#include "platform/Twips.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QComboBox>
#include <QKeyEvent>
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

    m_headings = new QLabel(tr("MM / DD / YYYY    TIME     AM/PM"), this);
    m_headings->setObjectName(QStringLiteral("Label1"));
    // Transparent: the panel's colour, flashing or not, shows behind the headings.
    m_headings->setAutoFillBackground(false);
    m_headings->setGeometry(Twips::rect(240, 120, 2895, 255));

    const auto field = [this](const char *name, int left, int width) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(Twips::rect(left, 310, width, 285));
        return edit;
    };
    m_month = field("Text4", 240, 375);
    m_day = field("Text5", 600, 375);
    m_year = field("Text8", 960, 495);
    m_time = field("Text9", 1560, 595);

    m_amPm = new QComboBox(this);
    m_amPm->setObjectName(QStringLiteral("Combo1"));
    m_amPm->setEditable(true);
    // Typing a mark and pressing Enter must not grow the list.
    m_amPm->setInsertPolicy(QComboBox::NoInsert);
    m_amPm->setEditText(QStringLiteral("AM"));
    // The box is narrow; the classic drawing leaves "AM" and "PM" room beside the arrow.
    // The style goes with the panel, after the box that uses it.
    if (QStyle *classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(this);
        m_amPm->setStyle(classic);
    }
    // Its height follows its font, as a drop-down list's does.
    const QRect place = Twips::rect(2280, 310, 615, 0);
    m_amPm->setGeometry(place.x(), place.y(), place.width(), m_amPm->sizeHint().height());

    const auto button = [this](const char *name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(Twips::rect(left, 720, 1335, 255));
        b->setAutoDefault(false);
        return b;
    };
    m_setButton = button("Command4", setCaption(), 120);
    m_cancelButton = button("Command5", tr("Cancel"), 1560);

    m_flashTimer = new QTimer(this);
    m_flashTimer->setObjectName(QStringLiteral("Timer1"));
    m_flashTimer->setInterval(1000);

    connect(m_setButton, &QPushButton::clicked, this, &ReminderPanel::setOrCancel);
    connect(m_cancelButton, &QPushButton::clicked, this, &ReminderPanel::dismiss);
    connect(m_flashTimer, &QTimer::timeout, this, &ReminderPanel::flash);
}

ReminderPanel::~ReminderPanel() = default;

QString ReminderPanel::key() const
{
    return window()->windowTitle();
}

void ReminderPanel::showStored()
{
    show();
    raise();
    const QString value = m_settings.read(section(), key(), QString());
    if (!value.isEmpty()) {
        setFields(ReminderText::split(value));
        m_setButton->setText(cancelCaption());
    }
    // Fields that hold something, loaded or typed earlier in this window, are kept.
    if (!m_month->text().isEmpty())
        return;
    const ReminderText::Fields now = ReminderText::fromDateTime(m_clock.now());
    m_month->setText(now.month);
    m_day->setText(now.day);
    m_year->setText(now.year);
    m_time->setText(now.time);
    m_amPm->clear();
    m_amPm->addItem(QStringLiteral("AM"));
    m_amPm->addItem(QStringLiteral("PM"));
    m_amPm->setEditText(now.mark);
}

void ReminderPanel::setOrCancel()
{
    if (m_setButton->text() == setCaption()) {
        m_settings.save(section(), key(), ReminderText::join(fields()));
        m_setButton->setText(cancelCaption());
    } else {
        // The AM/PM mark stays as it was.
        m_month->clear();
        m_day->clear();
        m_year->clear();
        m_time->clear();
        m_setButton->setText(setCaption());
        m_settings.save(section(), key(), QString());
    }
    // The flashing goes on while hidden; only Cancel stops it.
    hide();
}

void ReminderPanel::dismiss()
{
    setBackColor(kWhite);
    m_flashTimer->stop();
    hide();
}

void ReminderPanel::flash()
{
    setBackColor(backColor() == kWhite ? kBlue : kWhite);
}

void ReminderPanel::showDue(const QString &value)
{
    m_flashTimer->start();
    show();
    raise();
    if (!value.isEmpty())
        setFields(ReminderText::split(value));
}

ReminderText::Fields ReminderPanel::fields() const
{
    return ReminderText::Fields{m_month->text(), m_day->text(), m_year->text(), m_time->text(),
                                m_amPm->currentText()};
}

void ReminderPanel::setFields(const ReminderText::Fields &fields)
{
    m_month->setText(fields.month);
    m_day->setText(fields.day);
    m_year->setText(fields.year);
    m_time->setText(fields.time);
    m_amPm->setEditText(fields.mark);
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

void ReminderPanel::keyPressEvent(QKeyEvent *event)
{
    // Escape in any of the fields is the panel's Cancel.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        dismiss();
    else
        QFrame::keyPressEvent(event);
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
