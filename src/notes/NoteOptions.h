#pragma once

#include <QString>

// What a note window reads from the main window's options each time it needs a value.
// The shell implements it over its options panel; tests give their own.
class NoteOptions {
public:
    virtual ~NoteOptions() = default;

    // Default window height and width in twips, as typed (may be anything).
    virtual QString defaultHeightText() const = 0;
    virtual QString defaultWidthText() const = 0;
    // Font size in points, as typed (may be empty or not a number).
    virtual QString fontSizeText() const = 0;
    // A colour name as typed; matched without regard to case.
    virtual QString colourText() const = 0;
    // "Automatically Save Notes".
    virtual bool autoSave() const = 0;
    // "All Notes Stay On Top".
    virtual bool allOnTop() const = 0;
    // True while New Note is trying numbers: a window loaded then stays hidden.
    virtual bool creatingNotes() const = 0;
};
