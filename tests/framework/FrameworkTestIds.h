#pragma once
#define IDD_AT_ORIGIN 200
#define IDD_PLACED 201
#define IDD_MISSING 299
#define IDC_TEST_EDIT 300
