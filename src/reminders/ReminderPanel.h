#pragma once

#include "ReminderText.h"

#include <QFrame>

class Clock;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class SettingsStore;

// The reminder panel of a note window: a date and a time typed into five fields and stored
// as the note's reminder under the window's title, the note's file name. It starts hidden;
// the note's menu opens it, and a reminder that falls due opens it flashing.
class ReminderPanel final : public QFrame {
    Q_OBJECT
public:
    ReminderPanel(SettingsStore &settings, const Clock &clock, QWidget *parent = nullptr);
    ~ReminderPanel() override;

    // "Set Date/Time Reminder": shows the stored reminder, or the current minute when the
    // fields are empty.
    void showStored();
    // "Set Reminder" stores the fields; "Cancel Reminder" empties them and the store.
    void setOrCancel();
    // "Cancel": stops the flashing and hides the panel; the stored reminder stays.
    void dismiss();
    // One flash: white becomes pure blue and anything else white.
    void flash();

    // A reminder that fell due: the panel shows value and flashes.
    void showDue(const QString &value);

    ReminderText::Fields fields() const;
    QColor backColor() const;
    // "Frame1", drawn in the top border as a frame's caption is.
    QString caption() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The note's file name, which keys its reminder.
    QString key() const;
    void setFields(const ReminderText::Fields &fields);
    void setBackColor(const QColor &colour);

    SettingsStore &m_settings;
    const Clock &m_clock;
    QString m_caption;

    QLabel *m_headings;          // column headings
    QLineEdit *m_month;          // month
    QLineEdit *m_day;            // day
    QLineEdit *m_year;           // year
    QLineEdit *m_time;           // time, hours and minutes
    QComboBox *m_amPm;           // AM or PM, editable
    QPushButton *m_setButton;    // "Set Reminder" / "Cancel Reminder": its caption is the state
    QPushButton *m_cancelButton; // "Cancel"
    QTimer *m_flashTimer;        // flashes the panel while running
};
