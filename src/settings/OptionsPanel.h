#pragma once

#include "BlueFrame.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class SettingsStore;

// The main window's "Options" frame: default note size, font size, colour, border and
// the start-up choices. Each control stores its entry as soon as it changes, except the
// default size and automatic saving, which last until the program ends. Note windows
// read the current values through the accessors.
class OptionsPanel final : public BlueFrame {
    Q_OBJECT
public:
    explicit OptionsPanel(SettingsStore &settings, QWidget *parent = nullptr);
    ~OptionsPanel() override;

    // Start-up reads the stored options in separate steps, in this order.
    void readLayoutOptions(); // "All Notes Stay On Top", "Open All Notes", font size
    void readBorder();        // the border pair
    void readRunMinimized();  // "Run Minimized on Startup"
    void fillColourList();    // the colour names, then the stored colour text

    QString defaultHeightText() const;
    QString defaultWidthText() const;
    QString fontSizeText() const;
    QString colourText() const;
    bool autoSave() const;
    bool openAllOnStartup() const;
    bool allOnTop() const;
    bool runMinimized() const;
    bool fullBorder() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void storeAllOnTop();
    void storeOpenAll();
    void storeRunMinimized();
    void checkFontSize();
    // When editing ends outside [low, high], says so and puts back lastGood.
    void checkRange(QLineEdit *field, QString &lastGood, double low, double high);
    void storeColour();
    void storeBorder();

    SettingsStore &m_settings;
    BlueFrame *m_sizeFrame;       // "Default Note Window Size"
    QLabel *m_heightLabel;        // "Height"
    QLineEdit *m_height;          // default height in twips
    QLabel *m_widthLabel;         // "Width"
    QLineEdit *m_width;           // default width in twips
    QLabel *m_fontSizeLabel;      // "Font Size:"
    QLineEdit *m_fontSize;        // font size in points
    QLabel *m_colourLabel;        // "Note Color:"
    QComboBox *m_colour;          // note colour, editable
    QCheckBox *m_autoSaveBox;     // "Automatically Save Notes"
    QCheckBox *m_openAllBox;      // "Open All Notes on Startup"
    QCheckBox *m_allOnTopBox;     // "All Notes Stay On Top"
    QCheckBox *m_runMinimizedBox; // "Run Minimized on Startup"
    QRadioButton *m_thinBorder;   // "Note Border -Thin"
    QRadioButton *m_fullBorder;   // "Note Border - Full"
    QString m_goodHeight;         // the fields' last values in range
    QString m_goodWidth;
    QString m_goodFontSize;
};
