// wizard.h: ids of the wizard's dialog templates, their controls and the
// agreement text, shared by res/dialogs.rc and the page classes.
#pragma once

// Dialog templates
#define IDD_PROTOCOL_DLG     104
#define IDD_FIRST_STEP_DLG   153
#define IDD_THIRD_STEP_DLG   157
#define IDD_FOURTH_STEP_DLG  163
#define IDD_MESSAGE_BOX_DLG  164

// The agreement: an RTF document in code page 936
#define IDR_AGREEMENT_RTF    210

// Controls (one id may serve several templates)
#define IDC_EDIT_PATH        1007
#define IDC_BTN_BROWSE       1013
#define IDC_STC_SPACE        1014
#define IDC_BTN_BACK         1015
#define IDC_BTN_INSTALL_NOW  1017
#define IDC_PROGRESS         1021
#define IDC_BTN_START        1025
#define IDC_BTN_FIRST        1027
#define IDC_BTN_SECOND       1028
#define IDC_BTN_MIN          1029
#define IDC_BTN_CLOSE        1030
#define IDC_STC_PATH_LABEL   1034
#define IDC_CHK_AGREE        1036
#define IDC_BTN_CUSTOM       1037
#define IDC_BTN_DEFAULT      1038
#define IDC_BTN_PROTOCOL     1039
#define IDC_PNG_LOGO         1040
#define IDC_GIF_BUSY         1041
#define IDC_RICH_AGREEMENT   1041
#define IDC_STC_TITLE        1042
#define IDC_BTN_QUICK_INSTALL 1043
#define IDC_STC_MSG_TITLE    1044
#define IDC_PNG_LINE         1045
