// Resource ids of the controls tests.
#pragma once
#define IDB_T_GREEN 201
#define IDB_T_ROWS 202
#define IDB_T_MAPPED 203
#define IDB_T_BLOCKS 210
#define IDB_T_MISSING 299
#define IDD_T_DIALOG 300
#define IDC_T_STATIC 1100
#define IDC_T_EDIT_RO 1101
#define IDC_T_EDIT_RW 1102
#define IDC_T_PLAIN_RO 1103
#define IDC_T_PLAIN_RW 1104
