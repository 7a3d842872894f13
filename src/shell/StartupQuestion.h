#pragma once

#include "platform/Autostart.h"

#include <QWidget>

class QCheckBox;
class SettingsStore;

// The run-at-startup question, asked at the end of start-up while the main window
// waits hidden. It is not modal: it stores the answer and says it was given, and the
// main window shows itself again.
class StartupQuestion final : public QWidget {
    Q_OBJECT
public:
    StartupQuestion(SettingsStore &settings, Autostart autostart, QWidget *parent = nullptr);

    // Whether start-up asks: the stored "do not ask" value equals 0 as a number. A value
    // that is no number at all counts as the default, so the question comes.
    static bool shouldAsk(const SettingsStore &settings);

signals:
    // The user answered (or closed the question); the main window shows itself.
    void answered();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void answerYes(); // start at log-on, never ask again
    void answerNo();  // ask again unless the box is ticked

    SettingsStore &m_settings;
    Autostart m_autostart;
    bool m_answered = false;
    QCheckBox *m_doNotAskBox;
};
