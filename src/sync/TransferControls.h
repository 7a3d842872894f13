#pragma once

#include <QString>

// What a push or a pull reads from the synchronisation window, and tells it. Values are read at
// the moment they are needed, so a change the user makes while a transfer runs counts for the
// notes that follow.
class TransferControls {
public:
    virtual ~TransferControls() = default;

    virtual QString emailAddress() const = 0;
    virtual QString password() const = 0;

    // The list of local notes, for a push.
    virtual int entryCount() const = 0;
    virtual bool isEntrySelected(int row) const = 0;
    virtual QString entryFileName(int row) const = 0;

    // Whether a pull replaces local notes of the same name.
    virtual bool overwriteLocalNotes() const = 0;

    // The site refused the address or password; `text` is what it said.
    virtual void logInFailed(const QString &text) = 0;
};
