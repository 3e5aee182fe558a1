// Resource ids of the claim dialog.
#pragma once
#define IDD_CLAIM_DIALOG 100
#define IDB_BACKGROUND 101
#define IDB_AGREE 102
#define IDB_DISAGREE 103
#define IDC_CLAIM_TEXT 1000
