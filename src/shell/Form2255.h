#pragma once

#include "platform/Autostart.h"

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class SettingsStore;

// The run-at-startup question, asked at the end of start-up while the main window
// waits hidden. It is not modal: it stores the answer and says it was given, and the
// main window shows itself again.
class Form2255 final : public QWidget {
    Q_OBJECT
public:
    Form2255(SettingsStore &settings, Autostart autostart, QWidget *parent = nullptr);

    // Whether start-up asks: the stored "do not ask" value equals 0 as a number. A value
    // that is no number at all counts as the default, so the question comes.
    static bool shouldAsk(const SettingsStore &settings);

    QFrame *Shape1;        // outer rectangle
    QFrame *Shape2;        // inner rectangle
    QLabel *Label1;        // the question
    QPushButton *Command1; // "&Yes"
    QPushButton *Command2; // "&No"
    QCheckBox *Check1;     // "Do not ask this Qestion Again"

    void Command1_Click(); // Yes: start at log-on, never ask again
    void Command2_Click(); // No: ask again unless the box is ticked

signals:
    // The user answered (or closed the question); the main window shows itself.
    void answered();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    SettingsStore &m_settings;
    Autostart m_autostart;
    bool m_answered = false;
};
