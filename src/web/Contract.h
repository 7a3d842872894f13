#pragma once

// The names the desktop program and the notes site agree on: pages, form fields, markers and
// the texts the desktop reads back. Plain constants, so both sides can use them without
// sharing anything else.
namespace WebContract {

// Pages, relative to the site's base address.
inline constexpr char kTransferPage[] = "noteimport.aspx";
inline constexpr char kAccountPage[] = "account.asp";
inline constexpr char kToolsPage[] = "onlinetools.asp";

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

} // namespace WebContract
