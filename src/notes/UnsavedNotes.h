#pragma once

#include <QList>
#include <functional>

class NoteWindow;
class QWidget;

// Edits that automatic saving did not write (it was off, or the write failed) would be
// lost when the program ends; these find them and offer to save them first.
namespace UnsavedNotes {

// The open note windows holding such edits.
QList<NoteWindow *> find();

// Calls proceed at once when no note holds such edits. Otherwise asks, without blocking,
// whether to save them: Yes saves every one and proceeds only when all were written
// (else says which were not), No proceeds without saving, Cancel keeps everything open.
void confirmExit(QWidget *parent, const std::function<void()> &proceed);

// The same question for the given notes alone, e.g. one note being closed.
void confirm(const QList<NoteWindow *> &unsaved, QWidget *parent,
             const std::function<void()> &proceed);

} // namespace UnsavedNotes
