#pragma once

#include "notes/NoteOptions.h"

class OptionsPanel;

// What note windows read, taken from the main window's options panel as it is now, plus
// the flag New Note raises while it tries note numbers.
class PanelNoteOptions final : public NoteOptions {
public:
    explicit PanelNoteOptions(const OptionsPanel &panel);

    QString defaultHeightText() const override;
    QString defaultWidthText() const override;
    QString fontSizeText() const override;
    QString colourText() const override;
    bool autoSave() const override;
    bool allOnTop() const override;
    bool creatingNotes() const override;

    void setCreatingNotes(bool creating) { m_creating = creating; }

private:
    const OptionsPanel &m_panel;
    bool m_creating = false;
};
