// Identifiers shared by the resource script and the dialog code.
#pragma once

// The program's icon (dist/icon): the executable, every window, the
// notification area and the about box.
#define IDI_BRAMLE 100

#define IDD_CLIENT_SETTINGS 200
#define IDD_SERVER_SETTINGS 201
#define IDD_ABOUT 202

#define IDC_CLIENT_PORT 1000
#define IDC_CLIENT_NAME 1001
#define IDC_CLIENT_ACCEPT 1002
#define IDC_CLIENT_POPUP 1003
#define IDC_CLIENT_NOEXEC 1004
#define IDC_CLIENT_PASSIVE 1005

#define IDC_SERVER_NAME 1100
#define IDC_SERVER_BROADCAST_PORT 1101
#define IDC_SERVER_AUTOMATIC 1102
#define IDC_SERVER_MANUAL 1103
#define IDC_SERVER_PORT 1104
#define IDC_SERVER_SEND_REQUEST 1105
#define IDC_SERVER_TIMEOUT 1106
#define IDC_SERVER_TIMEOUT_TIME 1107
#define IDC_SERVER_FULL_PATH 1108

// The log-file controls have the same identifiers in both dialogs.
#define IDC_SAVE_LOG 1200
#define IDC_LOG_FILE 1201
#define IDC_BROWSE 1202
// Why OK was refused, above the OK button of both dialogs.
#define IDC_SETTINGS_REFUSAL 1203

#define IDC_ABOUT_VERSION 1300

#define IDD_SERVER_STATUS 203
#define IDC_STATUS_LIST 1400
#define IDC_STATUS_COUNT 1401
#define IDC_STATUS_STOP_ONE 1402
#define IDC_STATUS_STOP_ALL 1403
#define IDC_STATUS_CLOSE 1404
#define IDC_STATUS_PROGRESS 1405
#define IDC_STATUS_PERCENT 1406
#define IDC_STATUS_TEXT 1407

#define IDD_CLIENT_WINDOW 204
#define IDC_CLIENT_ADDRESS 1500
#define IDC_CLIENT_SERVER_NAME 1501
#define IDC_CLIENT_ACTIVITY 1502
#define IDC_CLIENT_CLEAR 1503
#define IDC_CLIENT_CLOSE 1504
