#pragma once

#include "NoteForm.h"

// A note window with a full border: a normal sizable window; no minimise or maximise buttons.
class NoteForm22 final : public NoteForm {
    Q_OBJECT
public:
    NoteForm22(const NoteOptions &options, SettingsStore &settings, const NotesFolder &folder);
};
