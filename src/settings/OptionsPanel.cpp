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

// Sizes that still make a usable note.
constexpr double kMinLength = 1000;
constexpr double kMaxLength = 30000;
constexpr double kMinFontSize = 6;
constexpr double kMaxFontSize = 72;
const QString kDefaultFontSize = QStringLiteral("8");

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

    m_sizeFrame =
        place(new BlueFrame(tr("Default Note Window Size"), this), "Frame1", 120, 240, 2655, 735);
    m_heightLabel = place(new QLabel(tr("Height"), m_sizeFrame), "Label2", 120, 360, 615, 255);
    m_height =
        place(new QLineEdit(QStringLiteral("3000"), m_sizeFrame), "Text1", 720, 360, 615, 285);
    m_widthLabel = place(new QLabel(tr("Width"), m_sizeFrame), "Label3", 1440, 360, 495, 255);
    m_width =
        place(new QLineEdit(QStringLiteral("4000"), m_sizeFrame), "Text2", 1920, 360, 615, 285);

    m_fontSizeLabel = place(new QLabel(tr("Font Size:"), this), "Label5", 120, 1080, 1575, 255);
    m_fontSize = place(new QLineEdit(this), "Text3", 960, 1080, 1095, 285);
    m_colourLabel = place(new QLabel(tr("Note Color:"), this), "Label8", 120, 1440, 1095, 255);
    m_colour = new QComboBox(this);
    m_colour->setObjectName(QStringLiteral("Combo1"));
    m_colour->setEditable(true);
    m_colour->setInsertPolicy(QComboBox::NoInsert);
    m_colour->setGeometry(QRect(Twips::point(960, 1440),
                                QSize(Twips::toPixels(1095), m_colour->sizeHint().height())));

    m_autoSaveBox =
        place(new QCheckBox(tr("Automatically Save Notes"), this), "Check1", 3000, 240, 2175, 255);
    m_autoSaveBox->setChecked(true);
    m_openAllBox =
        place(new QCheckBox(tr("Open All Notes on Startup"), this), "Check3", 3000, 480, 2175, 255);
    m_allOnTopBox =
        place(new QCheckBox(tr("All Notes Stay On Top"), this), "Check2", 3000, 720, 2175, 255);
    m_runMinimizedBox =
        place(new QCheckBox(tr("Run Minimized on Startup"), this), "Check4", 3000, 960, 2175, 255);
    m_thinBorder =
        place(new QRadioButton(tr("Note Border -Thin"), this), "Option2", 3120, 1320, 1815, 195);
    m_fullBorder =
        place(new QRadioButton(tr("Note Border - Full"), this), "Option1", 3120, 1560, 1815, 195);
    m_thinBorder->setChecked(true);

    // The labels are transparent and the fields they name sit over their right part.
    for (QWidget *field : {static_cast<QWidget *>(m_height), static_cast<QWidget *>(m_width),
                           static_cast<QWidget *>(m_fontSize), static_cast<QWidget *>(m_colour)})
        field->raise();
    // Captions drawn in this desktop's font may need more room than the classic controls
    // had: let them grow towards the frame's right edge, and to the height they need.
    const int rightEdge = Twips::toPixels(kFrameWidth - kInnerMargin);
    for (QAbstractButton *box :
         std::initializer_list<QAbstractButton *>{m_autoSaveBox, m_openAllBox, m_allOnTopBox,
                                                  m_runMinimizedBox, m_thinBorder, m_fullBorder}) {
        const QSize wanted = box->sizeHint();
        box->resize(std::clamp(wanted.width(), box->width(), rightEdge - box->x()),
                    std::max(box->height(), wanted.height()));
    }

    connect(m_allOnTopBox, &QCheckBox::toggled, this, &OptionsPanel::storeAllOnTop);
    connect(m_openAllBox, &QCheckBox::toggled, this, &OptionsPanel::storeOpenAll);
    connect(m_runMinimizedBox, &QCheckBox::toggled, this, &OptionsPanel::storeRunMinimized);
    connect(m_fontSize, &QLineEdit::textChanged, this, &OptionsPanel::checkFontSize);
    m_goodHeight = m_height->text();
    m_goodWidth = m_width->text();
    m_goodFontSize = kDefaultFontSize;
    connect(m_height, &QLineEdit::editingFinished, this,
            [this] { checkRange(m_height, m_goodHeight, kMinLength, kMaxLength); });
    connect(m_width, &QLineEdit::editingFinished, this,
            [this] { checkRange(m_width, m_goodWidth, kMinLength, kMaxLength); });
    connect(m_fontSize, &QLineEdit::editingFinished, this,
            [this] { checkRange(m_fontSize, m_goodFontSize, kMinFontSize, kMaxFontSize); });
    connect(m_fullBorder, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            storeBorder();
    });
    connect(m_thinBorder, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            storeBorder();
    });
    m_colour->installEventFilter(this);
    if (m_colour->lineEdit())
        m_colour->lineEdit()->installEventFilter(this);

    hide();
}

OptionsPanel::~OptionsPanel()
{
    // Closing the window while a field has the focus ends its editing and moves the focus;
    // by then this panel is half gone, so nothing may reach it any more.
    for (QObject *field : std::initializer_list<QObject *>{m_height, m_width, m_fontSize, m_colour})
        field->disconnect(this);
    m_colour->removeEventFilter(this);
    if (m_colour->lineEdit())
        m_colour->lineEdit()->removeEventFilter(this);
}

void OptionsPanel::readLayoutOptions()
{
    m_allOnTopBox->setChecked(m_settings.readTick(Keys::NotesOnTop) == 1);
    m_openAllBox->setChecked(m_settings.readTick(Keys::OpenAllNotes) == 1);
    const QString font = m_settings.read(Keys::NoteFont);
    if (m_fontSize->text() == font)
        checkFontSize(); // the field did not change, but the stored value is checked all the same
    else
        m_fontSize->setText(font);
    // A stored size out of range, written by hand, is refused as a typed one would be.
    checkRange(m_fontSize, m_goodFontSize, kMinFontSize, kMaxFontSize);
}

void OptionsPanel::readBorder()
{
    const bool thin = m_settings.readFlag(Keys::BorderThin);
    const bool full = m_settings.readFlag(Keys::BorderFull);
    // One of the two is always selected: clearing one alone selects nothing else.
    if (thin)
        m_thinBorder->setChecked(true);
    if (full)
        m_fullBorder->setChecked(true);
}

void OptionsPanel::readRunMinimized()
{
    m_runMinimizedBox->setChecked(m_settings.readTick(Keys::RunMinimized) == 1);
}

void OptionsPanel::fillColourList()
{
    m_colour->clear();
    m_colour->addItems(NoteColours::names());
    m_colour->setCurrentIndex(-1);
    m_colour->setEditText(m_settings.read(Keys::NoteColour));
}

QString OptionsPanel::defaultHeightText() const
{
    return m_height->text();
}

QString OptionsPanel::defaultWidthText() const
{
    return m_width->text();
}

QString OptionsPanel::fontSizeText() const
{
    return m_fontSize->text();
}

QString OptionsPanel::colourText() const
{
    return m_colour->currentText();
}

bool OptionsPanel::autoSave() const
{
    return m_autoSaveBox->isChecked();
}

bool OptionsPanel::openAllOnStartup() const
{
    return m_openAllBox->isChecked();
}

bool OptionsPanel::allOnTop() const
{
    return m_allOnTopBox->isChecked();
}

bool OptionsPanel::runMinimized() const
{
    return m_runMinimizedBox->isChecked();
}

bool OptionsPanel::fullBorder() const
{
    return !m_thinBorder->isChecked();
}

bool OptionsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut &&
        (watched == m_colour || watched == m_colour->lineEdit()))
        storeColour();
    return BlueFrame::eventFilter(watched, event);
}

void OptionsPanel::storeAllOnTop()
{
    m_settings.save(Keys::NotesOnTop, SettingValues::fromTick(m_allOnTopBox->isChecked()));
}

void OptionsPanel::storeOpenAll()
{
    m_settings.save(Keys::OpenAllNotes, SettingValues::fromTick(m_openAllBox->isChecked()));
}

void OptionsPanel::storeRunMinimized()
{
    m_settings.save(Keys::RunMinimized, SettingValues::fromTick(m_runMinimizedBox->isChecked()));
}

void OptionsPanel::checkFontSize()
{
    const QString text = m_fontSize->text();
    const bool blank = text.trimmed().isEmpty();
    if (!blank && !SettingValues::isNumeric(text)) {
        Notice::show(window(), tr("Must be a numberic value "));
        m_fontSize->setText(kDefaultFontSize); // runs this handler again, which stores "8"
        return;
    }
    // A size out of range may be half typed ("1" on the way to "12"): it is neither stored
    // nor refused until editing ends.
    if (!blank && !SettingValues::isWithin(text, kMinFontSize, kMaxFontSize))
        return;
    m_settings.save(Keys::NoteFont, text);
}

void OptionsPanel::checkRange(QLineEdit *field, QString &lastGood, double low, double high)
{
    const QString text = field->text();
    if (SettingValues::isWithin(text, low, high)) {
        lastGood = text;
        return;
    }
    // An empty font size is kept (notes then use their own), but is no value to go back to.
    if (field == m_fontSize && text.trimmed().isEmpty())
        return;
    // Put the value back before the message takes the focus and ends the editing again.
    field->setText(lastGood);
    if (SettingValues::isNumeric(text))
        Notice::show(window(), tr("Must be a value from %1 to %2 ").arg(low).arg(high));
    else
        Notice::show(window(), tr("Must be a numberic value "));
}

void OptionsPanel::storeColour()
{
    m_settings.save(Keys::NoteColour, m_colour->currentText());
}

void OptionsPanel::storeBorder()
{
    m_settings.save(Keys::BorderThin, SettingValues::fromFlag(m_thinBorder->isChecked()));
    m_settings.save(Keys::BorderFull, SettingValues::fromFlag(m_fullBorder->isChecked()));
}
