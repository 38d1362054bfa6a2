// afxwin.h: the whole MFC-compatible window layer in one include.
//   afxstr.h    CString, CStringA
//   afxtypes.h  CPoint, CSize, CRect
//   afxgdi.h    CGdiObject, CPen, CBrush, CFont, CBitmap, CRgn, CDC, CPaintDC, CClientDC, CWindowDC
//   afxobj.h    CObject, CCmdTarget, run-time classes, message maps
//   afxmsg.h    the ON_* message-map entries
//   afxwnd.h    CWnd
//   afxdlg.h    CDialog, DDX_Control
//   afxctrls.h  CButton, CStatic, CEdit, CRichEditCtrl, CProgressCtrl
//   afxapp.h    CWinThread, CWinApp, AfxGetApp, AfxPreTranslateMessage, AfxInitRichEdit
//   afxmodule.h AfxGetInstanceHandle, AfxGetResourceHandle, LoadResourceBytes
#pragma once
#include "afx/afxstr.h"
#include "afx/afxtypes.h"
#include "afx/afxgdi.h"
#include "afx/afxobj.h"
#include "afx/afxmsg.h"
#include "afx/afxwnd.h"
#include "afx/afxdlg.h"
#include "afx/afxctrls.h"
#include "afx/afxapp.h"
#include "afx/afxmodule.h"
