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

    // The controls, named as stored and looked up by tests with findChild.
    BlueFrame *Frame1;     // "Default Note Window Size"
    QLabel *Label2;        // "Height"
    QLineEdit *Text1;      // default height in twips
    QLabel *Label3;        // "Width"
    QLineEdit *Text2;      // default width in twips
    QLabel *Label5;        // "Font Size:"
    QLineEdit *Text3;      // font size in points
    QLabel *Label8;        // "Note Color:"
    QComboBox *Combo1;     // note colour, editable
    QCheckBox *Check1;     // "Automatically Save Notes"
    QCheckBox *Check3;     // "Open All Notes on Startup"
    QCheckBox *Check2;     // "All Notes Stay On Top"
    QCheckBox *Check4;     // "Run Minimized on Startup"
    QRadioButton *Option2; // "Note Border -Thin"
    QRadioButton *Option1; // "Note Border - Full"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Text3_Change();
    void Combo1_Validate();
    void Option_Click();

    SettingsStore &m_settings;
};
