/* Ids shared by the program's code, the resource script and the tests.
   Plain #defines only: windres reads this file too. */
#ifndef SORVANE_RESOURCE_H
#define SORVANE_RESOURCE_H

/* ---- Resources -------------------------------------------------------- */
#define IDD_MAIN              101   /* main window dialog template */
#define IDI_MAIN              104   /* program icon */
#define IDR_ACCELERATORS      106
#define IDD_HELP              108   /* help dialog template */
#define IDR_HELP_TEXT         109   /* packed help text */
#define IDB_ICON              113   /* compact-mode icon bitmap */
#define IDC_DRAG_CURSOR       115
#define IDR_REMOVAL_STUB      7234  /* packed removal stub image */
#define RT_PACKED             256   /* resource type of packed data */

/* ---- String table ----------------------------------------------------- */
#define IDS_REFRESH           2
#define IDS_STOP              3
#define IDS_PRODUCT           4
#define IDS_WEB_URL           5
#define IDS_CONFIRM_UNINSTALL 6
#define IDS_INSTALL_VERB      7
#define IDS_REMOVE_VERB       8
#define IDS_SELECT_DRIVE      9
#define IDS_LOADED_FILES      10
#define IDS_DROP_ONE          11
#define IDS_MODE_FILES        12
#define IDS_MODE_FOLDERS      13
#define IDS_MODE_FULL         14
#define IDS_COMPACT           15
#define IDS_EXPANDED          16
#define IDS_SIMPLE_MENU       18
#define IDS_EXTENDED_MENU     19
#define IDS_ABOUT             20
#define IDS_UNLINKED          21
#define IDS_LINKED            22

/* ---- Main window controls --------------------------------------------- */
#define IDC_ICON_IMAGE        113   /* static showing IDB_ICON (compact mode) */
#define IDC_RESULT_LIST       1000
#define IDC_SEARCH_BOX        1001
#define IDC_REFRESH           1002
#define IDC_STATUS            1004
#define IDC_DRIVE_LIST        1006
#define IDC_HELP_BUTTON       1007
#define IDC_EXIT              1008
#define IDC_ON_TOP            1016
#define IDC_INTERFACE_DETAIL  1017
#define IDC_SEARCH_MODE       1018

/* ---- Help dialog controls --------------------------------------------- */
#define IDC_HELP_CLOSE        1003
#define IDC_HELP_TEXT         1009
#define IDC_HELP_WEB          1010
#define IDC_HELP_UNINSTALL    1011
#define IDC_HELP_VERB         1012
#define IDC_HELP_FONT         1021

/* ---- Commands without a control ---------------------------------------- */
#define IDM_CONTEXT_MENU_MODE 1019
#define IDM_LINK_MODE         1020
#define IDM_FOCUS_NEXT        40003
#define IDM_FOCUS_PREVIOUS    40004
#define IDM_OPEN_SELECTED     40005
#define IDM_SELECT_PREVIOUS   40006
#define IDM_SELECT_NEXT       40007
#define IDM_ESCAPE            40008
#define IDM_CYCLE_SEARCH_MODE 40010
#define IDM_TOGGLE_ON_TOP     40012
#define IDM_TOGGLE_DETAIL     40013

/* ---- Menu commands, delivered as WM_SYSCOMMAND ------------------------- */
#define IDM_COPY_TITLE        30001
#define IDM_COPY_PATH         30002
#define IDM_COPY_PATH_TITLE   30003
#define IDM_COPY_LIST         30004
#define IDM_OPEN_FOLDER       30005
#define IDM_ABOUT             30006
#define IDM_TOGGLE_CONTEXT    30007
#define IDM_TOGGLE_LINK       30008

/* ---- Font dialog -------------------------------------------------------- */
#define IDC_FONT_APPLY        1026  /* Apply button of the common font dialog */

#endif
