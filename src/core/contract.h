#pragma once

// What people and files outside the program rely on, kept in one place.
//
// People send screenshots of error reports to support, who find the failing
// statement by the location text and step number in the report: those never
// change, the old names in the location texts included. Skin files select the
// window's controls by object name ("#PushButton1"), so those names stay too,
// as do the names of the side files that users replace, and the message-box
// styles that the desktop's boxes are chosen by.

namespace drillix::contract {

// Side files, by their names inside a folder of side files; the folders in
// the user's and the system's data folders have this name.
inline constexpr const char *kSideFilesFolder = "veltmora-drillix";
inline constexpr const char *kNamesFile = "items.txt";
inline constexpr const char *kHandCursorFile = "HAND-M.CUR";
inline constexpr const char *kSkinFile = "x/o.cjs";
inline constexpr const char *kCorrectSound = "sounds/correct.wma";
inline constexpr const char *kWrongSound = "sounds/wrong.wma";
inline constexpr const char *kCompleteSound = "sounds/complete.wma";

// Object names, as skins select them.
inline constexpr const char *kWindowName = "Form1";
inline constexpr const char *kRestartButtonName = "PushButton1";
inline constexpr const char *kExitButtonName = "PushButton2";
inline constexpr const char *kFocusHolderName = "Text1";

// The error report: its title, and where support can be reached.
inline constexpr const char *kErrorReportTitle = "Application Error";
inline constexpr const char *kSupportAddress = "support@veltmora.example";

// Location texts of the places that report failures; each ends with the
// space that joins it to "at line".
inline constexpr const char *kStartUpLocation = "in Trendolix2021/08/31.Form1.Form_Load ";
inline constexpr const char *kExitLocation = "in Trendolix2021/08/31.Form1.PushButton2_Click ";

// Step numbers of the start-up.
namespace startup {
inline constexpr int kSkin = 100;
inline constexpr int kHandCursorExists = 104;
inline constexpr int kHandCursor = 106;
inline constexpr int kCaptionIconAndTitle = 108;
inline constexpr int kWebSite = 110;
inline constexpr int kOpenNames = 130;
inline constexpr int kNamesAtEnd = 134;
inline constexpr int kReadName = 136;
inline constexpr int kNameCaption = 142;
inline constexpr int kNameTagOfFields = 146; // a line with a comma
inline constexpr int kNameTag = 148;         // a line without one
inline constexpr int kFirstGame = 176;
} // namespace startup

// Step numbers of the Exit button.
namespace exit {
inline constexpr int kClose = 100;
} // namespace exit

// The message-box styles the program shows, numbered as the desktop's box
// API numbers them: a plain box, and one with the warning icon.
enum class MessageBoxStyle { OkOnly = 0, Exclamation = 48 };

// The web site, which the desktop's opener shows as it sees fit.
inline constexpr const char *kWebSiteAddress = "https://www.veltmora.example/drillix/";

} // namespace drillix::contract
