// Every text the installer shows, in one place. Message boxes have no owner and
// type MB_OK (no icon) unless the table says otherwise.
//
//   situation                                   text                      caption
//   own file cannot be opened                   the path                  kCaptionCannotOpen
//   own file cannot be closed                   kTextCannotClose          kCaptionError
//   package cut short or lengthened (ICONERROR) kTextBadSize              kCaptionError
//   administrator rights missing                kTextNeedAdmin            kCaptionError
//   first seek to the archive fails             kTextReadingArchive       kCaptionArchive
//   empty, unsafe or overlong entry name        kTextInvalidName          kCaptionArchiveNoBlank
//   directory missing after creation            the directory             kCaptionDirectory
//   output file cannot be created               the path                  kCaptionCannotOpen
//   unknown compression method                  kTextUnknownMethod        kCaptionError
//   CRC mismatch, last entry refused, no entry  kTextExtractError         kCaptionError
//   output file cannot be closed                the path                  kCaptionCannotClose
//   setup engine cannot start or returns -1     kTextCannotInstall        kCaptionError
//   Info button                                 notice + info line        kCaptionInfo
#pragma once

namespace ui {

inline constexpr char kCaptionError[] = "Error";
inline constexpr char kCaptionCannotOpen[] = "Cannot open file ..";
inline constexpr char kCaptionCannotClose[] = "Cannot close the file";
inline constexpr char kCaptionArchive[] = "Error in archive ..";
inline constexpr char kCaptionArchiveNoBlank[] = "Error in archive..";
inline constexpr char kCaptionDirectory[] = "Error in directory ..";
inline constexpr char kCaptionInfo[] = "License Information";

inline constexpr char kTextCannotClose[] = "Cannot close the file";
inline constexpr char kTextBadSize[] = "Incorrect file size, please try to download this file again.";
inline constexpr char kTextNeedAdmin[] = "You need to have aministrative privileges to run this program.";
inline constexpr char kTextReadingArchive[] = "Error reading archive.";
inline constexpr char kTextInvalidName[] = "Invalid filename.";
inline constexpr char kTextUnknownMethod[] = "Unknown compression type";
inline constexpr char kTextExtractError[] = "Error extracting file(s).";
inline constexpr char kTextCannotInstall[] = "Couldn't initialize installation.";

// Progress and state texts of the main dialog (control 3002 and the buttons).
inline constexpr char kDefaultWelcomeText[] = "\r\n\r\n\r\nPlease click \"Install\" to start setup.";
inline constexpr char kExtractingPrefix[] = "\r\n\r\n\r\n\r\n  Extracting: ";
inline constexpr char kUpdatingText[] = "\r\n\r\n\r\nSetup is updating your system:\r\n\r\nPlease wait ...";
inline constexpr char kFinishText[] =
    "\r\n\r\n\r\n\r\nPlease click the \"Finish\" button to close this window after setup.";
inline constexpr char kDeletingPrefix[] = "\r\n\r\n\r\n\r\nDeleting ";
inline constexpr char kButtonInstall[] = "&Install";
inline constexpr char kButtonClose[] = "&Close";
inline constexpr char kButtonFinish[] = "&Finish";
inline constexpr char kButtonInfo[] = "&Info";

// Licence, password and overwrite dialogs.
inline constexpr char kLicenceCaption[] = "Licence agreement";
inline constexpr char kLicencePrompt[] =
    "To continue with this installation, you must agree to all terms of this licence agreement.";
inline constexpr char kLicenceAgree[] = "I agree";
inline constexpr char kLicenceCancel[] = "&Cancel";
inline constexpr char kPasswordCaption[] = "Please enter the password to continue...";
inline constexpr char kPasswordOk[] = "&Ok";
inline constexpr char kPasswordCancel[] = "&Cancel";
inline constexpr char kOverwriteYes[] = "&Yes";
inline constexpr char kOverwriteNo[] = "&No";
inline constexpr char kOverwriteDontAsk[] = "Don't &ask again";
inline constexpr char kOverwriteSuffix[] = " already exists - overwrite ?";

}  // namespace ui
