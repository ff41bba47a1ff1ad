// Resource and control ids of the desktop program, shared by the resource script and the windows.
#pragma once

// Icons, bitmaps, cursors, menus, key table.
#define IDI_MAIN 128
#define IDR_MENUS 129  // popup 0: the file list's context menu; popup 1: the help menu
#define IDB_BACKGROUND 134
#define IDC_HAND_CURSOR 147
#define IDI_CLOSE 171
#define IDI_MINIMIZE 172
#define IDI_HELP 173
#define IDR_KEYS 177

// Dialogs.
#define IDD_MAIN 102
#define IDD_BUSY 159
#define IDD_PROGRESS 207
#define IDD_COUNTDOWN 220

// Main window controls. A button's id is the id of the command it runs.
#define IDC_CLOSE 1000
#define IDC_REMOVE_ALL 1005
#define IDC_OPTIONS 1014
#define IDC_ABOUT 1017
#define IDC_ADD_FOLDER 1024
#define IDC_MINIMIZE 1030
#define IDC_OUTPUT_FORMAT 1039
#define IDC_FILE_LIST 1040
#define IDC_HOMEPAGE 1041
#define IDC_HELP_BUTTON 1060
#define IDC_SELECT_ALL 1156
#define IDC_ADD_FILES 32773
#define IDC_ADD_DVD 32789
#define IDC_CONVERT_ALL 32787
#define IDC_CONVERT_ALL_TO_ONE 32778

// Menu and key-table commands (the list's commands have the ids of the command namespace in
// sources/FileList.h).
#define ID_CONVERT_SELECTED 32786
#define ID_CONVERT_SELECTED_TO_ONE 32779
#define ID_PLAY_SOURCE 32775
#define ID_PLAY_DESTINATION 32781
#define ID_BROWSE_SOURCE 32777
#define ID_BROWSE_DESTINATION 32780
#define ID_REMOVE 32772
#define ID_SELECTED_LENGTH 32795
#define ID_ALL_LENGTH 32796
#define ID_MOVE_UP 32793
#define ID_MOVE_DOWN 32794
#define ID_NO_STREAM 32788
#define ID_HELP_TOPICS 57670
#define ID_TELL_A_FRIEND 32782
#define ID_FEEDBACK 32783
#define ID_HOMEPAGE 32784
#define ID_CHECK_UPDATES 32785

// Progress window.
#define IDC_CANCEL 1033
#define IDC_PROGRESS_TEXT 1035
#define IDC_PROGRESS_PERCENT 1036
#define IDC_PROGRESS_BAR 1038
#define IDC_PRIORITY 1153
#define IDC_THREADS 1154
#define IDC_SHUT_DOWN 1156
#define IDC_OUTPUT_FOLDER_BUTTON 1160
#define IDC_OUTPUT_FOLDER_TEXT 1161

// Busy window.
#define IDC_BUSY_BAR 1010
#define IDC_BUSY_TEXT 1068
#define IDC_BUSY_PERCENT 1162

// Countdown window (its Cancel is IDCANCEL).
#define IDC_COUNTDOWN_WARNING 1157
#define IDC_COUNTDOWN_SECONDS 1158

// Options sheet, Audio page (its format list is IDC_OUTPUT_FORMAT).
#define IDC_AUDIO_CODEC 1097
#define IDC_AUDIO_SAMPLE_RATE 1098
#define IDC_AUDIO_VALUE 1099
#define IDC_AUDIO_CHANNELS 1100
#define IDC_AUDIO_VOLUME 1101
#define IDC_AUDIO_VOLUME_SPIN 1102
#define IDC_AUDIO_CBR 1153
#define IDC_AUDIO_VBR 1154
#define IDC_AUDIO_VALUE_LABEL 1164

// Messages posted to the main window.
#define WM_RUN_SET_PRIORITY 0x40A
#define WM_RUN_CANCEL 0x42C
#define WM_RUN_SET_THREADS 0x430
#define WM_LIST_SORTED 1134
