// Ids of the dialog test templates (dialog_test.rc).
#pragma once
#define IDD_TEST_PAGE 100
#define IDC_TEST_BUTTON 1001
#define IDC_TEST_EDIT 1002
