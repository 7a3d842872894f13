#include "Form2255.h"

#include "platform/Twips.h"
#include "settings/SettingKeys.h"
#include "settings/SettingValues.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
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

Form2255::Form2255(SettingsStore &settings, Autostart autostart, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_settings(settings),
      m_autostart(std::move(autostart))
{
    setObjectName(QStringLiteral("Form2255"));
    setWindowTitle(QStringLiteral("Pinvelle"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    setFixedSize(Twips::size(6510, 2430));

    Shape1 = rectangle("Shape1", {120, 120, 6255, 2175}, this);
    Shape2 = rectangle("Shape2", {240, 240, 6015, 1935}, this);

    Label1 = new QLabel(tr("Would you like to have Pinvelle  2.1 run at Startup?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont question = font();
    question.setPointSizeF(13.5);
    Label1->setFont(question);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(Twips::rect(600, 360, 5535, 735));

    Command1 = new QPushButton(tr("&Yes"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips::rect(2040, 1200, 1215, 495));
    Command2 = new QPushButton(tr("&No"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(Twips::rect(3480, 1200, 1215, 495));

    Check1 = new QCheckBox(tr("Do not ask this Qestion Again"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(Twips::rect(2040, 1800, 2655, 255));

    connect(Command1, &QPushButton::clicked, this, &Form2255::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2255::Command2_Click);
    Command1->setFocus();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

bool Form2255::shouldAsk(const SettingsStore &settings)
{
    const QString stored = settings.read(Keys::DoNotAskStartup);
    bool ok = false;
    const double value = stored.trimmed().toDouble(&ok);
    if (!ok)
        return QString::fromLatin1(Keys::DoNotAskStartup.defaultValue).toDouble() == 0;
    return value == 0;
}

void Form2255::Command1_Click()
{
    // Whether a launcher was there to copy or not, the answer stands.
    m_autostart.install();
    m_answered = true;
    hide();
    emit answered();
    Check1->setChecked(true);
    m_settings.save(Keys::DoNotAskStartup, SettingValues::fromTick(Check1->isChecked()));
}

void Form2255::Command2_Click()
{
    m_settings.save(Keys::DoNotAskStartup, SettingValues::fromTick(Check1->isChecked()));
    m_answered = true;
    hide();
    emit answered();
}

void Form2255::closeEvent(QCloseEvent *event)
{
    // Closed by the window manager without an answer: store nothing, so the question
    // comes again, but never leave the main window hidden for good.
    QWidget::closeEvent(event);
    if (!m_answered) {
        m_answered = true;
        emit answered();
    }
}
