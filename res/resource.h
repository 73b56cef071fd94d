// Resource and control ids of the plug-in module: dialog templates, bitmaps
// and the controls of each dialog. Shared by the resource script and the code.
#pragma once

// Bitmaps: the about picture; 102 to 108 are the skin pieces (skin/skin_bitmaps.rc).
#define IDB_ABOUT 101

// Dialog templates.
#define IDD_OPTIONS 109
#define IDD_MESSAGE 110
#define IDD_PROGRESS 112
#define IDD_ABOUT 114

// Options dialog 109.
#define IDC_OPT_CONTENT_GROUP 102
#define IDC_OPT_SCALE 1000
#define IDC_OPT_NAME 1001
#define IDC_OPT_REPLACE_SCENE 1002
#define IDC_OPT_TERRAIN_GROUP 1003
#define IDC_OPT_IMPORT 1004
#define IDC_OPT_ABOUT 1005
#define IDC_OPT_CENTER_PIVOT 1007
#define IDC_OPT_SIZE 1012
#define IDC_OPT_POINTS 1013
#define IDC_OPT_METRES 1014
#define IDC_OPT_RADIUS 1015
#define IDC_OPT_CURVE 1016
#define IDC_OPT_BASE_HEIGHT 1017
#define IDC_OPT_HEIGHT_SCALE 1019
#define IDC_OPT_WORLD_GROUP 1035
#define IDC_OPT_CAMERA 1036
#define IDC_OPT_SUN 1037
#define IDC_OPT_WATER 1038
#define IDC_OPT_RENDER 1039
#define IDC_OPT_WORLD_PATH 1040
#define IDC_OPT_HELP 9
#define IDC_OPT_CANCEL 2

// Message box 110.
#define IDC_MSG_OK 1

// Progress dialog 112.
#define IDC_PRG_CANCEL 1011
#define IDC_PRG_GROUP 1131
#define IDC_PRG_STATUS 1132
#define IDC_PRG_BAR 1133
#define IDC_PRG_DONE 1134
