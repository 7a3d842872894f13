#include "NoteForm1.h"

NoteForm1::NoteForm1(const NoteOptions &options, SettingsStore &settings, const NotesFolder &folder)
    : NoteForm(options, settings, folder,
               Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("NoteForm1"));
}
