// Resource and control ids of the program; shared by the resource script and the code.
#pragma once

// Dialog templates, menu, strings and icon.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_CONVERTER_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_MAINMENU 129
#define IDD_OPEN_EXTENSION 130
#define IDD_SETTINGS 131

// The system menu's About item.
#define IDM_ABOUTBOX 0x0010

// Main window controls.
#define IDC_CONVERT 1000
#define IDC_TOTAL_FILES 1001
#define IDC_CURRENT_FILE 1002
#define IDC_INPUT_PATH 1005
#define IDC_OUTPUT_PATH 1006
#define IDC_BROWSE_INPUT 1008
#define IDC_CONVERT_ALL 1009
#define IDC_FORMAT_RTF 1010
#define IDC_FORMAT_TXT 1011
#define IDC_CONVERT_TABLES 1012
#define IDC_BROWSE_OUTPUT 1013
#define IDC_TOTAL_PROGRESS 1015
#define IDC_FILE_PROGRESS 1016
#define IDC_CURRENT_FILE_CAPTION 1032
#define IDC_FILE_PERCENT 1033
#define IDC_TOTAL_PERCENT 1034
#define IDC_ENCODING_CAPTION 1035
#define IDC_ENCODING 1037
#define IDC_LINK_FIRST 1038
#define IDC_LINK_SECOND 1039

// Settings dialog controls.
#define IDC_FONT_NAME 1021
#define IDC_FONT_SIZE 1022
#define IDC_CLASSIC_READING 1023
#define IDC_EMBED_PICTURES 1024

// About box: the web-address button.
#define IDC_WEB_ADDRESS 1008

// Menu commands.
#define ID_FILE_SAVE_CONFIGURATION 32771
#define ID_FILE_QUIT 32773
#define ID_HELP_UPDATE 32776
#define ID_HELP_ABOUT 32780
#define ID_SETTINGS 65535
#define ID_HELP_CONTENTS 57670
