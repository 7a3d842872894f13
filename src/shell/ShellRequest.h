#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A command another start hands to the running program, as one line: the command's word,
// then its argument percent-encoded. A plain "show" is what a bare second start sends.
struct ShellRequest {
    enum class Kind { Show, NewNote, Open, Sync };
    Kind kind = Kind::Show;
    QString argument; // the new note's text, or the name of the note to open

    QByteArray encode() const;
    // Nothing when the line names no command this program knows.
    static std::optional<ShellRequest> decode(const QByteArray &line);
};

// The running program's answer, as one line: "0" or "1", then the message percent-encoded.
struct ShellReply {
    bool ok = true;
    QString message; // for standard output when ok, standard error otherwise

    QByteArray encode() const;
    // An empty or garbled line is a failure: the running program did not answer.
    static ShellReply decode(const QByteArray &line);
};
