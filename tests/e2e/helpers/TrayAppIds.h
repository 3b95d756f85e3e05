// Ids shared by the stand-in tray program and the harness tests that drive it.
// Plain #defines: windres reads this file too.
#pragma once

#define TRAYAPP_DIALOG 200
#define TRAYAPP_MENU 201
#define TRAYAPP_EDIT 1001
#define TRAYAPP_NOTE 1002

// Same command ids and callback message as the real program's tray menu, so
// that the harness's helpers for the real program drive this one too.
#define TRAYAPP_CMD_OPEN 40002
#define TRAYAPP_CMD_GREYED 40003
#define TRAYAPP_CMD_ABOUT 40004
#define TRAYAPP_CMD_EXIT 40005
#define TRAYAPP_TRAY_NOTIFY 0x8001
#define TRAYAPP_DEVICE_REFRESH 0x8005

// Longest code the dialog's edit accepts.
#define TRAYAPP_EDIT_LIMIT 8
