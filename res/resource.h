// Resource ids. The numbers are fixed: menus, the tray callback and the
// end-to-end tests find the program's windows, controls and commands by them.
#pragma once

#define IDC_STATIC (-1)

// Icon
#define IDI_DORVANE 128

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_REPORT 129
#define IDD_EDIT 130
#define IDD_CONF 131

// Menus and their commands
#define IDM_LEFTMENU 132
#define IDM_RIGHTMENU 133
#define IDM_EXIT 32774
#define IDM_CONF 32775
#define IDM_EDIT 32776
#define IDM_REPORT 32778
#define IDM_HELP 32779
#define IDM_ABOUT 57664
// Item j of the catalogue has the command IDM_FIRST_ITEM + j; the command
// table routes IDM_FIRST_ITEM to IDM_LAST_ITEM (20 ids for at most 18 items).
#define IDM_FIRST_ITEM 40001
#define IDM_LAST_ITEM 40020

// Report window (dialog 129)
#define IDC_REPORT_TAB 32786
#define IDC_REPORT_TIME 32787
#define IDC_REPORT_STATICS 32788
#define IDC_REPORT_PRINT 32792
#define IDC_REPORT_DATEPICK 32799
#define IDC_REPORT_PREVWEEK 32800
#define IDC_REPORT_NEXTWEEK 32801

// Record editor (dialog 130)
#define IDC_EDIT_DATEPICK 32793
#define IDC_EDIT_DATALIST 32794
#define IDC_EDIT_ITEM 32795
#define IDC_EDIT_STARTTIME 32796
#define IDC_EDIT_ENDTIME 32797
#define IDC_EDIT_ADD 32798
#define IDC_EDIT_CHANGE 32802
#define IDC_EDIT_IMPORT 32803
#define IDC_EDIT_EXPORT 32804
#define IDC_EDIT_STARTDATE 32805
#define IDC_EDIT_ENDDATE 32806
#define IDC_EDIT_DELETE 32807

// Item settings (dialog 131)
#define IDC_CONF_DATALIST 32785
#define IDC_CONF_NAME 32789
#define IDC_CONF_ADD 32790
#define IDC_CONF_DELETE 32791
#define IDC_CONF_CHANGE 32809
#define IDC_CONF_COLOR 32813

#ifndef RC_INVOKED
static_assert(IDM_EXIT == 32774, "the exit command's id is the process exit code");
static_assert(IDM_LAST_ITEM - IDM_FIRST_ITEM + 1 == 20, "the command table routes 20 item ids");
static_assert(IDM_FIRST_ITEM == 40001, "item j has command 40001 + j");
#endif
