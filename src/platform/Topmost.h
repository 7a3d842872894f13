#pragma once

class QWidget;

// Keeps a top-level window above all normal windows (on) or releases it (off). The window
// keeps its place and size; a visible window is brought to the front and activated.
void SetTopmost(QWidget *window, bool on);

// Whether the window is currently kept above normal windows.
bool IsTopmost(const QWidget *window);
