// Control identifiers shared by the dialog templates and the dialog procedures.
#pragma once

#define IDC_MAIN_TEXT 3002        // DLG_MAIN: the text area for every progress line
#define IDC_LICENCE_TEXT 2002     // DLG_LIC: read-only licence box
#define IDC_LICENCE_PROMPT 2004   // DLG_LIC: the "you must agree" line
#define IDC_PASSWORD_EDIT 101     // DLG_PASS: masked password field
#define IDC_EXIST_TEXT 101        // FILEEXIST: centred "<name> already exists" label
#define IDC_EXIST_DONT_ASK 401    // FILEEXIST: "Don't ask again" check box
#define IDI_APP 1                 // application icon
