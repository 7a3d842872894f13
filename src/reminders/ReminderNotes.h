#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the reminder scanner needs of the notes around it; the main window answers.
class ReminderNotes {
public:
    virtual ~ReminderNotes() = default;

    // The file names of every note in the notes folder, in list order.
    virtual QStringList reminderNoteFiles() const = 0;
    // Brings the open note window titled fileName to the front; false when none is.
    virtual bool bringNoteToFront(const QString &fileName) = 0;
    // Opens the closed note in a new window of the current border kind, with its reminder
    // panel showing `reminder` and flashing. The note's text, or nothing when it did not open.
    virtual std::optional<QString> openNoteForReminder(const QString &fileName,
                                                       const QString &reminder) = 0;
};
