#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// A message box that does not block the caller: it is shown and the handler goes on,
// so no nested event loop runs inside a control's change handling.
namespace Notice {

// An OK-only message box titled with the program's name; it deletes itself when closed.
// Returned so the caller can act when it closes.
QMessageBox *show(QWidget *parent, const QString &text);

} // namespace Notice
