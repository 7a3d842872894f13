#pragma once

// Every stored setting, declared once with its section, key and the value a read
// gives when the entry is missing. Nothing else in the program spells a key.
struct SettingKey {
    const char *section;
    const char *key;
    const char *defaultValue;
};

namespace Keys {

// Options of the main window.
inline constexpr SettingKey NotesOnTop{"Startup", "notesontop", "0"};
inline constexpr SettingKey OpenAllNotes{"Startup", "notes", "0"};
inline constexpr SettingKey RunMinimized{"Startup", "minimize", "0"};
inline constexpr SettingKey NoteFont{"Startup", "notefont", "8"};
inline constexpr SettingKey NoteColour{"Startup", "text1", ""};
inline constexpr SettingKey BorderThin{"Startup", "Option2", "True"};
inline constexpr SettingKey BorderFull{"Startup", "Option1", "False"};

// "Do not ask this question again" of the run-at-startup question.
inline constexpr SettingKey DoNotAskStartup{"StartUpQ", "qStrup", "0"};

// Base address of the notes web site.
inline constexpr SettingKey SyncSite{"Sync", "site", ""};
// E-mail address of the site's account; its password is never stored.
inline constexpr SettingKey SyncEmail{"Sync", "email", ""};
// Whether the notes sync with the site by themselves.
inline constexpr SettingKey SyncAutomatic{"Sync", "automatic", "0"};

// Per-note sections: the key is the note's file name, the default the empty string.
inline constexpr char NoteSizeSection[] = "notesize";
inline constexpr char NoteReminderSection[] = "notereminder";
inline constexpr char NotePositionSection[] = "noteposition";

} // namespace Keys
