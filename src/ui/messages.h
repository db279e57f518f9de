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

constexpr char kCaptionError[] = "Error";
constexpr char kCaptionCannotOpen[] = "Cannot open file ..";
constexpr char kCaptionCannotClose[] = "Cannot close the file";
constexpr char kCaptionArchive[] = "Error in archive ..";
constexpr char kCaptionArchiveNoBlank[] = "Error in archive..";
constexpr char kCaptionDirectory[] = "Error in directory ..";
constexpr char kCaptionInfo[] = "License Information";

constexpr char kTextCannotClose[] = "Cannot close the file";
constexpr char kTextBadSize[] = "Incorrect file size, please try to download this file again.";
constexpr char kTextNeedAdmin[] = "You need to have aministrative privileges to run this program.";
constexpr char kTextReadingArchive[] = "Error reading archive.";
constexpr char kTextInvalidName[] = "Invalid filename.";
constexpr char kTextUnknownMethod[] = "Unknown compression type";
constexpr char kTextExtractError[] = "Error extracting file(s).";
constexpr char kTextCannotInstall[] = "Couldn't initialize installation.";

// Progress and state texts of the main dialog (control 3002 and the buttons).
constexpr char kDefaultWelcomeText[] = "\r\n\r\n\r\nPlease click \"Install\" to start setup.";
constexpr char kExtractingPrefix[] = "\r\n\r\n\r\n\r\n  Extracting: ";
constexpr char kUpdatingText[] = "\r\n\r\n\r\nSetup is updating your system:\r\n\r\nPlease wait ...";
constexpr char kFinishText[] =
    "\r\n\r\n\r\n\r\nPlease click the \"Finish\" button to close this window after setup.";
constexpr char kDeletingPrefix[] = "\r\n\r\n\r\n\r\nDeleting ";
constexpr char kButtonInstall[] = "&Install";
constexpr char kButtonClose[] = "&Close";
constexpr char kButtonFinish[] = "&Finish";
constexpr char kButtonInfo[] = "&Info";

// Licence, password and overwrite dialogs.
constexpr char kLicenceCaption[] = "Licence agreement";
constexpr char kLicencePrompt[] =
    "To continue with this installation, you must agree to all terms of this licence agreement.";
constexpr char kLicenceAgree[] = "I agree";
constexpr char kLicenceCancel[] = "&Cancel";
constexpr char kPasswordCaption[] = "Please enter the password to continue...";
constexpr char kPasswordOk[] = "&Ok";
constexpr char kPasswordCancel[] = "&Cancel";
constexpr char kOverwriteYes[] = "&Yes";
constexpr char kOverwriteNo[] = "&No";
constexpr char kOverwriteDontAsk[] = "Don't &ask again";
constexpr char kOverwriteSuffix[] = " already exists - overwrite ?";

}  // namespace ui
