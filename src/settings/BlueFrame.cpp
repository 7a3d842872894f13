#include "BlueFrame.h"

#include <QPainter>

namespace {
const QColor kGround(0, 0, 128);
const QColor kLine(150, 150, 200);
constexpr int kCaptionIndent = 6;
} // namespace

BlueFrame::BlueFrame(const QString &caption, QWidget *parent) : QGroupBox(caption, parent)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, kGround);
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
}

void BlueFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kGround);
    const QFontMetrics metrics(font());
    const int lineY = metrics.height() / 2;
    painter.setPen(kLine);
    painter.drawRect(QRect(0, lineY, width() - 1, height() - lineY - 1));
    const QString caption = title();
    if (caption.isEmpty())
        return;
    const QRect captionRect(kCaptionIndent, 0, metrics.horizontalAdvance(caption) + 2 * 2,
                            metrics.height());
    painter.fillRect(captionRect, kGround);
    painter.setPen(Qt::white);
    painter.drawText(captionRect, Qt::AlignCenter, caption);
}
