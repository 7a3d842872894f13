#include "StartupQuestion.h"

#include "platform/Twips.h"
#include "settings/SettingKeys.h"
#include "settings/SettingValues.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QFrame *rectangle(const char *name, const QRect &twips, QWidget *parent)
{
    auto *shape = new QFrame(parent);
    shape->setObjectName(QString::fromLatin1(name));
    shape->setFrameShape(QFrame::Box);
    shape->setFrameShadow(QFrame::Plain);
    shape->setLineWidth(1);
    shape->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    return shape;
}

} // namespace

StartupQuestion::StartupQuestion(SettingsStore &settings, Autostart autostart, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_settings(settings),
      m_autostart(std::move(autostart))
{
    setObjectName(QStringLiteral("Form2255"));
    setWindowTitle(QStringLiteral("Pinvelle"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    setFixedSize(Twips::size(6510, 2430));

    rectangle("Shape1", {120, 120, 6255, 2175}, this);
    rectangle("Shape2", {240, 240, 6015, 1935}, this);

    auto *question = new QLabel(tr("Would you like to have Pinvelle  2.1 run at Startup?"), this);
    question->setObjectName(QStringLiteral("Label1"));
    QFont questionFont = font();
    questionFont.setPointSizeF(13.5);
    question->setFont(questionFont);
    question->setWordWrap(true);
    question->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    question->setGeometry(Twips::rect(600, 360, 5535, 735));

    auto *yes = new QPushButton(tr("&Yes"), this);
    yes->setObjectName(QStringLiteral("Command1"));
    yes->setGeometry(Twips::rect(2040, 1200, 1215, 495));
    auto *no = new QPushButton(tr("&No"), this);
    no->setObjectName(QStringLiteral("Command2"));
    no->setGeometry(Twips::rect(3480, 1200, 1215, 495));

    m_doNotAskBox = new QCheckBox(tr("Do not ask this Qestion Again"), this);
    m_doNotAskBox->setObjectName(QStringLiteral("Check1"));
    m_doNotAskBox->setGeometry(Twips::rect(2040, 1800, 2655, 255));

    connect(yes, &QPushButton::clicked, this, &StartupQuestion::answerYes);
    connect(no, &QPushButton::clicked, this, &StartupQuestion::answerNo);
    yes->setFocus();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

bool StartupQuestion::shouldAsk(const SettingsStore &settings)
{
    const QString stored = settings.read(Keys::DoNotAskStartup);
    bool ok = false;
    const double value = stored.trimmed().toDouble(&ok);
    if (!ok)
        return QString::fromLatin1(Keys::DoNotAskStartup.defaultValue).toDouble() == 0;
    return value == 0;
}

void StartupQuestion::answerYes()
{
    // Whether a launcher was there to copy or not, the answer stands.
    m_autostart.install();
    m_answered = true;
    hide();
    emit answered();
    m_doNotAskBox->setChecked(true);
    m_settings.save(Keys::DoNotAskStartup, SettingValues::fromTick(m_doNotAskBox->isChecked()));
}

void StartupQuestion::answerNo()
{
    m_settings.save(Keys::DoNotAskStartup, SettingValues::fromTick(m_doNotAskBox->isChecked()));
    m_answered = true;
    hide();
    emit answered();
}

void StartupQuestion::keyPressEvent(QKeyEvent *event)
{
    // Escape answers No; the box stays as the user left it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        answerNo();
    else
        QWidget::keyPressEvent(event);
}

void StartupQuestion::closeEvent(QCloseEvent *event)
{
    // Closed by the window manager without an answer: store nothing, so the question
    // comes again, but never leave the main window hidden for good.
    QWidget::closeEvent(event);
    if (!m_answered) {
        m_answered = true;
        emit answered();
    }
}
