#pragma once

#include <QGroupBox>

// A captioned frame on a dark blue ground, its white caption set into the top border
// line, with children placed at fixed positions from its top-left corner.
class BlueFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit BlueFrame(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
