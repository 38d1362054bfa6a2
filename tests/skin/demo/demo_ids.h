// Ids of the skin demo's dialog template (also used by the skin unit tests).
#pragma once

#define IDD_SKIN_DEMO     100
#define IDC_DEMO_MIN      1029
#define IDC_DEMO_CLOSE    1030
#define IDC_DEMO_ACTION   1043
#define IDC_DEMO_DISABLED 1017
#define IDC_DEMO_BOXBTN   1027
#define IDC_DEMO_CHECK    1036
#define IDC_DEMO_PROGRESS 1021
#define IDC_DEMO_LOGO     1040
#define IDC_DEMO_BUSY     1041
#define IDC_DEMO_LABEL    1034
#define IDC_DEMO_SPACE    1014
#define IDC_DEMO_BROWSE   1013
#define IDC_DEMO_LINK     1037
