#include "OptionsPanel.h"

#include "NoteColours.h"
#include "SettingValues.h"
#include "SettingsStore.h"
#include "platform/Notice.h"
#include "platform/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

namespace {

// The frame's width, and the room kept clear inside its border.
constexpr int kFrameWidth = 5295;
constexpr int kInnerMargin = 45;

template <typename W>
W *place(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(Twips::rect(left, top, width, height));
    return widget;
}

} // namespace

OptionsPanel::OptionsPanel(SettingsStore &settings, QWidget *parent)
    : BlueFrame(tr("Options"), parent), m_settings(settings)
{
    setObjectName(QStringLiteral("Frame2"));
    resize(Twips::size(kFrameWidth, 1935));

    Frame1 =
        place(new BlueFrame(tr("Default Note Window Size"), this), "Frame1", 120, 240, 2655, 735);
    Label2 = place(new QLabel(tr("Height"), Frame1), "Label2", 120, 360, 615, 255);
    Text1 = place(new QLineEdit(QStringLiteral("3000"), Frame1), "Text1", 720, 360, 615, 285);
    Label3 = place(new QLabel(tr("Width"), Frame1), "Label3", 1440, 360, 495, 255);
    Text2 = place(new QLineEdit(QStringLiteral("4000"), Frame1), "Text2", 1920, 360, 615, 285);

    Label5 = place(new QLabel(tr("Font Size:"), this), "Label5", 120, 1080, 1575, 255);
    Text3 = place(new QLineEdit(this), "Text3", 960, 1080, 1095, 285);
    Label8 = place(new QLabel(tr("Note Color:"), this), "Label8", 120, 1440, 1095, 255);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setGeometry(
        QRect(Twips::point(960, 1440), QSize(Twips::toPixels(1095), Combo1->sizeHint().height())));

    Check1 =
        place(new QCheckBox(tr("Automatically Save Notes"), this), "Check1", 3000, 240, 2175, 255);
    Check1->setChecked(true);
    Check3 =
        place(new QCheckBox(tr("Open All Notes on Startup"), this), "Check3", 3000, 480, 2175, 255);
    Check2 =
        place(new QCheckBox(tr("All Notes Stay On Top"), this), "Check2", 3000, 720, 2175, 255);
    Check4 =
        place(new QCheckBox(tr("Run Minimized on Startup"), this), "Check4", 3000, 960, 2175, 255);
    Option2 =
        place(new QRadioButton(tr("Note Border -Thin"), this), "Option2", 3120, 1320, 1815, 195);
    Option1 =
        place(new QRadioButton(tr("Note Border - Full"), this), "Option1", 3120, 1560, 1815, 195);
    Option2->setChecked(true);

    // The labels are transparent and the fields they name sit over their right part.
    for (QWidget *field : {static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text2),
                           static_cast<QWidget *>(Text3), static_cast<QWidget *>(Combo1)})
        field->raise();
    // Captions drawn in this desktop's font may need more room than the classic controls
    // had: let them grow towards the frame's right edge, and to the height they need.
    const int rightEdge = Twips::toPixels(kFrameWidth - kInnerMargin);
    for (QAbstractButton *box : std::initializer_list<QAbstractButton *>{
             Check1, Check3, Check2, Check4, Option2, Option1}) {
        const QSize wanted = box->sizeHint();
        box->resize(std::clamp(wanted.width(), box->width(), rightEdge - box->x()),
                    std::max(box->height(), wanted.height()));
    }

    connect(Check2, &QCheckBox::toggled, this, &OptionsPanel::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &OptionsPanel::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &OptionsPanel::Check4_Click);
    connect(Text3, &QLineEdit::textChanged, this, &OptionsPanel::Text3_Change);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option_Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option_Click();
    });
    Combo1->installEventFilter(this);
    if (Combo1->lineEdit())
        Combo1->lineEdit()->installEventFilter(this);

    hide();
}

void OptionsPanel::readLayoutOptions()
{
    Check2->setChecked(m_settings.readTick(Keys::NotesOnTop) == 1);
    Check3->setChecked(m_settings.readTick(Keys::OpenAllNotes) == 1);
    const QString font = m_settings.read(Keys::NoteFont);
    if (Text3->text() == font)
        Text3_Change(); // the field did not change, but the stored value is checked all the same
    else
        Text3->setText(font);
}

void OptionsPanel::readBorder()
{
    const bool thin = m_settings.readFlag(Keys::BorderThin);
    const bool full = m_settings.readFlag(Keys::BorderFull);
    // One of the two is always selected: clearing one alone selects nothing else.
    if (thin)
        Option2->setChecked(true);
    if (full)
        Option1->setChecked(true);
}

void OptionsPanel::readRunMinimized()
{
    Check4->setChecked(m_settings.readTick(Keys::RunMinimized) == 1);
}

void OptionsPanel::fillColourList()
{
    Combo1->clear();
    Combo1->addItems(NoteColours::names());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(m_settings.read(Keys::NoteColour));
}

QString OptionsPanel::defaultHeightText() const
{
    return Text1->text();
}

QString OptionsPanel::defaultWidthText() const
{
    return Text2->text();
}

QString OptionsPanel::fontSizeText() const
{
    return Text3->text();
}

QString OptionsPanel::colourText() const
{
    return Combo1->currentText();
}

bool OptionsPanel::autoSave() const
{
    return Check1->isChecked();
}

bool OptionsPanel::openAllOnStartup() const
{
    return Check3->isChecked();
}

bool OptionsPanel::allOnTop() const
{
    return Check2->isChecked();
}

bool OptionsPanel::runMinimized() const
{
    return Check4->isChecked();
}

bool OptionsPanel::fullBorder() const
{
    return !Option2->isChecked();
}

bool OptionsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == Combo1 || watched == Combo1->lineEdit()))
        Combo1_Validate();
    return BlueFrame::eventFilter(watched, event);
}

void OptionsPanel::Check2_Click()
{
    m_settings.save(Keys::NotesOnTop, SettingValues::fromTick(Check2->isChecked()));
}

void OptionsPanel::Check3_Click()
{
    m_settings.save(Keys::OpenAllNotes, SettingValues::fromTick(Check3->isChecked()));
}

void OptionsPanel::Check4_Click()
{
    m_settings.save(Keys::RunMinimized, SettingValues::fromTick(Check4->isChecked()));
}

void OptionsPanel::Text3_Change()
{
    const QString text = Text3->text();
    if (!text.trimmed().isEmpty() && !SettingValues::isNumeric(text)) {
        Notice::show(window(), tr("Must be a numberic value "));
        Text3->setText(QStringLiteral("8")); // runs this handler again, which stores "8"
        return;
    }
    m_settings.save(Keys::NoteFont, text);
}

void OptionsPanel::Combo1_Validate()
{
    m_settings.save(Keys::NoteColour, Combo1->currentText());
}

void OptionsPanel::Option_Click()
{
    m_settings.save(Keys::BorderThin, SettingValues::fromFlag(Option2->isChecked()));
    m_settings.save(Keys::BorderFull, SettingValues::fromFlag(Option1->isChecked()));
}
