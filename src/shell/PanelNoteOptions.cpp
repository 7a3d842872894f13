#include "PanelNoteOptions.h"

#include "settings/OptionsPanel.h"

PanelNoteOptions::PanelNoteOptions(const OptionsPanel &panel) : m_panel(panel) {}

QString PanelNoteOptions::defaultHeightText() const
{
    return m_panel.defaultHeightText();
}

QString PanelNoteOptions::defaultWidthText() const
{
    return m_panel.defaultWidthText();
}

QString PanelNoteOptions::fontSizeText() const
{
    return m_panel.fontSizeText();
}

QString PanelNoteOptions::colourText() const
{
    return m_panel.colourText();
}

bool PanelNoteOptions::autoSave() const
{
    return m_panel.autoSave();
}

bool PanelNoteOptions::allOnTop() const
{
    return m_panel.allOnTop();
}

bool PanelNoteOptions::creatingNotes() const
{
    return m_creating;
}
