// install_rules.h: the wizard's decisions that need no window, kept apart so
// that tests call them with plain inputs: path rules of the first page, the
// texts the progress page shows when an installation fails, the message box's
// layout, and the agreement text's buffer and stream callback.
#pragma once
#include <windows.h>
#include <richedit.h>
#include "afx/afxstr.h"
#include "engine/install_path.h"

// ---- First page -----------------------------------------------------------------

// A path the space query can use: at least three characters, the second a colon.
bool HasDriveLetter(const CString& strPath);

// strPath with one backslash appended when it does not end with one; the rest
// of the installer joins file names to the install path by concatenation.
CString WithTrailingBackslash(const CString& strPath);

// The path box text for a folder the folder browser returned: a drive root or
// a folder not named Vellomar gets "\Vellomar\" appended. Empty when the box
// must stay as it is (nothing chosen, or no drive letter).
CString ComposeBrowsedFolder(const CString& strChosen);

// The question asked before installing into a folder that holds someone
// else's files (FolderOccupant::Foreign); strFolder shortened as CompactPath does.
CString GetForeignFolderQuestion(const CString& strFolder);

// "立即安装" needs at least REQUIRED_FREE_BYTES on the drive.
bool IsEnoughSpace(LONGLONG nFreeBytes);

// What the space line says instead of the free space when the typed folder
// cannot take the installation; empty when it can.
CString GetPathProblemText(const InstallPathCheck& check);

// ---- Progress page ----------------------------------------------------------------

// Widest path a failure message shows, in the box font's narrow-glyph
// widths: the box wraps at word breaks only, so a longer path would run past
// its right edge.
constexpr UINT FAILURE_PATH_MAX_CHARS = 40;

// Characters from here on (CJK and full-width forms) are drawn twice as wide
// as Latin ones in the box's font.
constexpr wchar_t WIDE_GLYPH_FIRST = L'\u2E80';

// What stands for the part of a path left out, and how much of the path's
// start is kept at least beside a whole file name.
constexpr wchar_t PATH_ELLIPSIS[] = L"...";
constexpr int MIN_PATH_HEAD_CHARS = 3;

// strText's width in narrow-glyph widths: a wide glyph counts two.
int GetPathTextWidth(const CString& strText);

// A path no wider than FAILURE_PATH_MAX_CHARS, shortened in the middle when
// it must be: its start, PATH_ELLIPSIS, then its file name whole (or, for a
// name too long for that, the name's end). Empty for null or empty.
CString CompactPath(LPCWSTR pszPath);

// The message the progress page shows for a failure code (2 to 9, 11 to 14)
// of the extraction; pszPath is the failing file for codes 5, 6 and 13 (may
// be null). Empty for codes that are not failures (a stop is none).
CString GetInstallFailureText(WPARAM nCode, LPCWSTR pszPath);

// ---- Message box --------------------------------------------------------------------

// Where the box puts its icon and where its text starts: a message broken
// with CR LF gets the wider text column.
struct MessageBoxLayout
{
    POINT ptIcon;
    int nTextLeft;
};
MessageBoxLayout GetMessageBoxLayout(const CString& strMessage);

// ---- Agreement text -----------------------------------------------------------------

constexpr DWORD AGREEMENT_BUF_SIZE = 10240;

extern BYTE* g_pAgreementBuf;        // the resource's bytes; lives until the process ends
extern DWORD g_nAgreementSize;       // valid bytes in g_pAgreementBuf
extern DWORD g_nAgreementReadPos;    // where the stream callback goes on

// Copies the agreement bytes into a fresh buffer of AGREEMENT_BUF_SIZE bytes,
// or as many as the text needs when it is larger, and rewinds the stream.
// FALSE (and nothing kept) when no memory can be had.
BOOL SetAgreementText(const void* pData, DWORD nSize);

// EDITSTREAMCALLBACK: hands out the buffer from g_nAgreementReadPos on, at
// most cb bytes a call; 0 bytes ends the stream.
DWORD CALLBACK AgreementStreamCallback(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb);
