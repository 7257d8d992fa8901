#pragma once
// The setup dialog's template, its controls and its banner, by resource ID. Plain macros, because the
// resource compiler reads this file as well as the C++ compiler.

#define IDD_SETUP_DIALOG 102
#define IDR_SETUP_ICON 135
#define IDR_BANNER 136  // of resource type "JPG"

#define IDC_OK_COMMAND 1     // Enter with no default button; no control has this ID
#define IDC_CANCEL_BUTTON 2  // Cancel, later Close; also the cancel command (Escape)
#define IDC_PROGRESS_BAR 1000
#define IDC_ACCEPT_CHECK_BOX 1001
#define IDC_INSTALL_BUTTON 1006
#define IDC_EULA_LINK 1010
#define IDC_BANNER_PLACEHOLDER 1014
#define IDC_END_MESSAGE 1017   // read-only edit: the end-of-run text, selectable
#define IDC_FAILURE_LINK 1019  // the start-up check's refusal with the help link
#define IDC_STATUS_TEXT (-1)   // instruction, then status text
