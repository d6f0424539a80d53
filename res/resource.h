// Resource identifiers of the desktop program, shared by the resource script and the code.
#pragma once

#define IDD_ABOUT 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDD_TEMPLATE_HOST 131

#define IDC_CLEAR 1002
#define IDC_LOG 1005

// The About entry of the system menu; system commands below 0xF000 are the program's own.
#define IDM_ABOUTBOX 0x0010
