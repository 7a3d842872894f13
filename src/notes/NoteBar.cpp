#include "NoteBar.h"

NoteBar::NoteBar(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("WarningBar"));
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setToolTip(tr("Click to close this message"));
    setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; color: #5a3b00; "
                                 "border-top: 1px solid #c9a227; padding: 2px 4px; }"));
    hide();
}

void NoteBar::tell(const QString &message, bool untilClicked)
{
    m_untilClicked = untilClicked;
    setText(message);
    show();
}

bool NoteBar::writeWorked()
{
    if (isHidden() || m_untilClicked)
        return false;
    hide();
    return true;
}

void NoteBar::mousePressEvent(QMouseEvent *)
{
    m_untilClicked = false;
    hide();
    emit closed();
}
