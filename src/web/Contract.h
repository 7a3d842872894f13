#pragma once

// The names the desktop program and the notes site agree on: pages, form fields, markers and
// the texts the desktop reads back. Plain constants, so both sides can use them without
// sharing anything else.
namespace WebContract {

// Pages, relative to the site's base address.
inline constexpr char kTransferPage[] = "noteimport.aspx";
inline constexpr char kAccountPage[] = "account.asp";
inline constexpr char kToolsPage[] = "onlinetools.asp";
// Writing a note, or with "?name=X" editing one, in a browser (a phone's too).
inline constexpr char kNoteEditPage[] = "noteedit.asp";

// Query key of a push request: "noteimport.aspx?overwrite=0&<date>" (or 1).
inline constexpr char kOverwriteKey[] = "overwrite";

// Fields of the transfer page's form.
inline constexpr char kEmailField[] = "TextBox1";
inline constexpr char kPasswordField[] = "TextBox2";
inline constexpr char kNameField[] = "TextBox4";
inline constexpr char kTextField[] = "TextBox5";
inline constexpr char kUploadButton[] = "Button1";
inline constexpr char kDownloadButton[] = "Button2";

// Element ids of the answer pages.
inline constexpr char kResultId[] = "Label1";
inline constexpr char kTableId[] = "Table2";

// Heads of the note table's cells; the value follows a one-character separator.
inline constexpr char kNameCellHead[] = "Note Name";
inline constexpr char kDataCellHead[] = "Note Data";
inline constexpr char kCellWidth[] = "25%";

// The result text that tells the desktop program its log-in was refused.
inline constexpr char kLogInFailure[] = "The password or Email Address was incorrect";

// The sync API, for programs rather than browsers: JSON answers under "api/". Every request
// but the sign-in carries "Authorization: Bearer <device token>".
//  POST   api/session        JSON {email, password, device}: 200 {token}; 401 {error} when refused
//  DELETE api/session        signs this device out (its token stops working)
//  GET    api/notes?since=N  200 {cursor, more, notes: [{name, version, digest, deleted}]}: the
//                            notes changed after cursor N (0: all), oldest change first, at most
//                            kApiPageSize of them; with "more" true, ask again from "cursor"
//  GET    api/note?name=X    200, the note's text as text/plain UTF-8, its version in ETag
//  PUT    api/note?name=X    the text as text/plain UTF-8, with If-Match: "<version>" to replace
//                            that version, or If-None-Match: * to create: 200/201 {version,
//                            digest}; a stale or taken one 412 {version, deleted}, never applied
//  DELETE api/note?name=X    with If-Match: "<version>": 200 {version}; stale 412 as above
// A version is a positive number that grows with every change of the account's notes; a
// digest is the lowercase hex SHA-256 of the text's UTF-8 bytes.
inline constexpr char kApiSession[] = "api/session";
inline constexpr char kApiNotes[] = "api/notes";
inline constexpr char kApiNote[] = "api/note";
inline constexpr char kApiSinceKey[] = "since";
inline constexpr char kApiNameKey[] = "name";
inline constexpr int kApiPageSize = 1000;
inline constexpr char kJsonEmail[] = "email";
inline constexpr char kJsonPassword[] = "password";
inline constexpr char kJsonDevice[] = "device";
inline constexpr char kJsonToken[] = "token";
inline constexpr char kJsonError[] = "error";
inline constexpr char kJsonCursor[] = "cursor";
inline constexpr char kJsonMore[] = "more";
inline constexpr char kJsonNotes[] = "notes";
inline constexpr char kJsonName[] = "name";
inline constexpr char kJsonVersion[] = "version";
inline constexpr char kJsonDigest[] = "digest";
inline constexpr char kJsonDeleted[] = "deleted";

// What the transfer page did with an uploaded note, in the "data-outcome" attribute of its
// result element, so that a program can count the answers without reading sentences written
// for people (and translated).
inline constexpr char kOutcomeAttribute[] = "data-outcome";
inline constexpr char kOutcomeStored[] = "stored";     // a new note
inline constexpr char kOutcomeReplaced[] = "replaced"; // the old text kept among its versions
inline constexpr char kOutcomeKept[] = "kept";         // a different text of that name stays
inline constexpr char kOutcomeSame[] = "same";         // the site held this very text already
inline constexpr char kOutcomeRefused[] = "refused";   // the name, the text or a full account
inline constexpr char kOutcomeFailed[] = "failed";     // the site could not write it just now

} // namespace WebContract
