#pragma once

#include <QLabel>

// The bar at a note's foot: says something (a failed write, a text kept aside) without a
// modal box and without taking the keyboard from the note. A click closes it. A message
// may hold until clicked, or go with the next write that makes it untrue.
class NoteBar final : public QLabel {
    Q_OBJECT
public:
    explicit NoteBar(QWidget *parent);

    void tell(const QString &message, bool untilClicked = false);
    // A write worked: a message that holds only until then goes. True when the bar went.
    bool writeWorked();

signals:
    void closed();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_untilClicked = false;
};
