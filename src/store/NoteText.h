#pragma once

#include <QByteArray>
#include <QString>

// How note text turns into bytes and back. Notes are written as UTF-8; a file that is not
// valid UTF-8 was written by an older single-byte program and is read as Windows-1252.
namespace NoteText {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);

// True when text holds something other than spaces; a note without such text has no file.
bool hasContent(const QString &text);
// Leading and trailing spaces removed; tabs and line breaks stay.
QString trimSpaces(const QString &text);

} // namespace NoteText
