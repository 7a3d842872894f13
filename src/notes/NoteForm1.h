#pragma once

#include "NoteForm.h"

// A note window with a thin border: a sizable tool window with a narrow title bar; no minimise or
// maximise buttons.
class NoteForm1 final : public NoteForm {
    Q_OBJECT
public:
    NoteForm1(const NoteOptions &options, SettingsStore &settings, const NotesFolder &folder);
};
