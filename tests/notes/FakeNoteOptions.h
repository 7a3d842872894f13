#pragma once

#include "notes/NoteOptions.h"

// Options a test sets directly, as the user would on the main window.
struct FakeNoteOptions final : NoteOptions {
    QString height = QStringLiteral("3000");
    QString width = QStringLiteral("4000");
    QString font = QStringLiteral("8");
    QString colour;
    bool save = true;
    bool onTop = false;
    bool creating = false;

    QString defaultHeightText() const override { return height; }
    QString defaultWidthText() const override { return width; }
    QString fontSizeText() const override { return font; }
    QString colourText() const override { return colour; }
    bool autoSave() const override { return save; }
    bool allOnTop() const override { return onTop; }
    bool creatingNotes() const override { return creating; }
};
