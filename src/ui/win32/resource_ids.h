// Identifiers shared by the resource script and the dialog code.
#pragma once

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

#define IDC_ABOUT_VERSION 1300
