// Resource ids shared by the resource script and the code.
// Plain #defines only: windres reads this file through the C preprocessor.
// Dialog, string and control ids overlap in value; each lives in its own
// resource type or dialog, so the overlaps are harmless.
#pragma once

// String table. Ids without an entry (103, 131, 140, 141, 143 to 145) have
// no text: nothing shows them.
#define IDS_WINDOW_CLASS 101
#define IDS_WINDOW_TITLE 102
#define IDS_PIN_RETRIES_NOTE 104
#define IDS_TOOLTIP 105
#define IDS_TOOLTIP_GPS 106
#define IDS_LENGTH_RANGE 107
#define IDS_GPS_ENABLE_FAILED 108
#define IDS_LENGTH_EXACT 109
#define IDS_GPS_DISABLE_FAILED 110
#define IDS_PIN_WRONG 111
#define IDS_GPS_CHECKING 112
#define IDS_PIN_BLOCKED 113
#define IDS_GPS_CHANGING 114
#define IDS_CARD_ABSENT 115
#define IDS_STATUS_UNKNOWN 116
#define IDS_PUK_NEEDED 117
#define IDS_GPS_ENABLED 118
#define IDS_PIN_NEEDED 119
#define IDS_PRODUCT_TITLE 120
#define IDS_OTHER_USER 121
#define IDS_CARD_USABLE 122
#define IDS_GPS_ENABLED_PORT 123
#define IDS_PUK_RETRIES_NOTE 124
#define IDS_PIN_MISMATCH 125
#define IDS_PUK_WRONG 126
#define IDS_CARD_LOCKED_NOW 127
#define IDS_CARD_LOCKED 128
#define IDS_ERROR_CODE 129
#define IDS_CARD_CHECKING 130
#define IDS_GUEST_REFUSED 132
#define IDS_NO_DEVICE_AT_START 133
#define IDS_OS_UNSUPPORTED 134
#define IDS_NO_DEVICE 135
#define IDS_COMM_FAILED 136
#define IDS_PIN1_NAME 137
#define IDS_PUK_NAME 138
#define IDS_GPS_DISABLED 139
#define IDS_START_FAILED 142
#define IDS_FUTURE_OS_QUESTION 146

// Icon group (the tray icon, the window class icons, the About dialog).
#define IDI_BRINDLE 103

// Header pictures for 96, 120 and 144 DPI.
#define IDB_HEADER 110
#define IDB_HEADER_120DPI 147
#define IDB_HEADER_144DPI 148

// Tray popup menu and its commands.
#define IDR_TRAY_MENU 106
#define IDM_OPEN_SETTINGS 40002
#define IDM_VERIFY_PIN 40003
#define IDM_ABOUT 40004
#define IDM_EXIT 40005

// Dialog templates.
#define IDD_ABOUT 108
#define IDD_CONFIG 112
#define IDD_CHECK_PIN 114
#define IDD_CHANGE_PIN 116
#define IDD_UNLOCK_PUK 118
#define IDD_MESSAGE 123
#define IDD_GPS_CONFIRM 131
#define IDD_CONFIG_GPS 140

// Settings dialogs (112 and 140).
#define IDC_PIN_STATUS 1001
#define IDC_PIN_CHANGE 1002
#define IDC_PIN_UNBLOCK 1003
#define IDC_PIN_PROTECT_ON 1004
#define IDC_PIN_VERIFY 1005
#define IDC_PIN_PROTECT_OFF 1006
#define IDC_GPS_ON 1007
#define IDC_GPS_OFF 1008
#define IDC_GPS_STATUS 1009
#define IDC_CONFIG_HEADER 1026

// PIN verify dialog (114).
#define IDC_CHECK_PIN 1007
#define IDC_CHECK_PIN_NOTE 1008

// PIN change dialog (116).
#define IDC_CHANGE_OLD_PIN 1009
#define IDC_CHANGE_PIN_NOTE 1010
#define IDC_CHANGE_NEW_PIN 1011
#define IDC_CHANGE_NEW_PIN_CONFIRM 1012

// PIN unblock dialog (118).
#define IDC_UNLOCK_PUK 1013
#define IDC_UNLOCK_PUK_NOTE 1014
#define IDC_UNLOCK_NEW_PIN 1015
#define IDC_UNLOCK_NEW_PIN_CONFIRM 1016

// GPS confirmation dialog (131).
#define IDC_DONT_SHOW_AGAIN 1020

// About dialog (108).
#define IDC_ABOUT_VERSION 1023
#define IDC_ABOUT_COPYRIGHT 1024
#define IDC_ABOUT_HEADER 1027

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
