#include "NoteForm22.h"

NoteForm22::NoteForm22(const NoteOptions &options, SettingsStore &settings,
                       const NotesFolder &folder)
    : NoteForm(options, settings, folder,
               Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("NoteForm22"));
}
