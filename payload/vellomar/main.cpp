// Vellomar: the application the installer delivers. One window with one
// multi-line edit; its text lives in %APPDATA%\Vellomar\notes.txt (UTF-8
// with a byte-order mark), loaded at start and saved on close. The notes sit
// outside the payload's file list, so the uninstaller leaves them.
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "afx/afxformat.h"

namespace {

const wchar_t kClassName[] = L"VellomarMainWnd";
const wchar_t kTitle[] = L"Vellomar";
const wchar_t kNotesFolder[] = L"\\Vellomar";
const wchar_t kNotesFile[] = L"\\notes.txt";
const wchar_t kVersionIni[] = L"config\\version.ini";
const wchar_t kAboutFormat[] = L"Vellomar 笔记  版本号：%s";
const wchar_t kUnknownVersion[] = L"未知";
const wchar_t kMenuHelp[] = L"帮助(&H)";
const wchar_t kMenuAbout[] = L"关于Vellomar(&A)";
const wchar_t kAboutCaption[] = L"关于Vellomar";
const wchar_t kSaveFailedText[] = L"笔记无法保存，仍要关闭吗？";

const int IDC_NOTES = 100;
const int IDC_STATUS = 101;
const int IDM_ABOUT = 200;
const int STATUS_HEIGHT = 22;

const unsigned char kUtf8Bom[] = { 0xEF, 0xBB, 0xBF };

std::wstring NotesFolder()
{
    wchar_t szAppData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szAppData)))
        return std::wstring();
    return std::wstring(szAppData) + kNotesFolder;
}

// The version code from config\version.ini beside the program.
std::wstring ReadVersionCode()
{
    wchar_t szExe[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return kUnknownVersion;
    std::wstring strIni(szExe, n);
    strIni = strIni.substr(0, strIni.rfind(L'\\') + 1) + kVersionIni;
    wchar_t szCode[64] = {};
    GetPrivateProfileStringW(L"VERSION", L"AppVerCode", L"", szCode, ARRAYSIZE(szCode), strIni.c_str());
    return szCode[0] ? szCode : kUnknownVersion;
}

// Notes written by this program are UTF-8 with a BOM; a UTF-16 file with its
// BOM is read too, and a file without a BOM is taken as UTF-8.
std::wstring DecodeNotes(const std::vector<char>& bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
    size_t nSkip = 0;
    if (bytes.size() >= 3 && memcmp(bytes.data(), kUtf8Bom, 3) == 0)
        nSkip = 3;
    const int nBytes = static_cast<int>(bytes.size() - nSkip);
    if (nBytes <= 0)
        return std::wstring();
    const int nChars = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + nSkip, nBytes, nullptr, 0);
    std::wstring str(static_cast<size_t>(nChars), L'\0');
    if (nChars > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data() + nSkip, nBytes, &str[0], nChars);
    return str;
}

std::wstring LoadNotes()
{
    const std::wstring strFolder = NotesFolder();
    if (strFolder.empty())
        return std::wstring();
    HANDLE hFile = CreateFileW((strFolder + kNotesFile).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return std::wstring();
    std::vector<char> bytes;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(hFile, &size) && size.QuadPart > 0 && size.QuadPart < 64 * 1024 * 1024) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD dwRead = 0;
        if (!ReadFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &dwRead, nullptr))
            dwRead = 0;
        bytes.resize(dwRead);
    }
    CloseHandle(hFile);
    hFile = nullptr;
    return DecodeNotes(bytes);
}

// Written to a temporary file first and moved over the notes, so that a
// failed write never leaves the user with half their notes.
bool SaveNotes(const std::wstring& strText)
{
    const std::wstring strFolder = NotesFolder();
    if (strFolder.empty())
        return false;
    if (!CreateDirectoryW(strFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    std::string strBytes(reinterpret_cast<const char*>(kUtf8Bom), sizeof(kUtf8Bom));
    const int nLen = static_cast<int>(strText.size());
    const int nBytes = nLen ? WideCharToMultiByte(CP_UTF8, 0, strText.data(), nLen, nullptr, 0, nullptr, nullptr) : 0;
    if (nBytes > 0) {
        strBytes.resize(sizeof(kUtf8Bom) + static_cast<size_t>(nBytes));
        WideCharToMultiByte(CP_UTF8, 0, strText.data(), nLen, &strBytes[sizeof(kUtf8Bom)], nBytes, nullptr, nullptr);
    }
    const std::wstring strPath = strFolder + kNotesFile;
    const std::wstring strTemp = strPath + L".saving";
    HANDLE hFile = CreateFileW(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    const bool bWritten = WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr) &&
                          dwWritten == strBytes.size();
    CloseHandle(hFile);
    hFile = nullptr;
    if (!bWritten || !MoveFileExW(strTemp.c_str(), strPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(strTemp.c_str());
        return false;
    }
    return true;
}

std::wstring AboutText()
{
    return AfxFormat(kAboutFormat, ReadVersionCode().c_str());
}

std::wstring EditText(HWND hEdit)
{
    const int nLen = GetWindowTextLengthW(hEdit);
    std::wstring str(static_cast<size_t>(nLen) + 1, L'\0');
    const int nCopied = GetWindowTextW(hEdit, &str[0], nLen + 1);
    str.resize(static_cast<size_t>(nCopied > 0 ? nCopied : 0));
    return str;
}

LRESULT CALLBACK MainWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE: {
        const HINSTANCE hInstance = reinterpret_cast<LPCREATESTRUCTW>(lParam)->hInstance;
        HWND hEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                                     0, 0, 0, 0, hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_NOTES)),
                                     hInstance, nullptr);
        SendMessageW(hEdit, EM_SETLIMITTEXT, 0, 0);   // no 32K limit on notes
        SendMessageW(hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        SetWindowTextW(hEdit, LoadNotes().c_str());
        HWND hStatus = CreateWindowExW(0, L"STATIC", AboutText().c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0,
                                       hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), hInstance,
                                       nullptr);
        SendMessageW(hStatus, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return 0;
    }
    case WM_SIZE: {
        const int cx = LOWORD(lParam), cy = HIWORD(lParam);
        const int cyEdit = cy > STATUS_HEIGHT ? cy - STATUS_HEIGHT : 0;
        MoveWindow(GetDlgItem(hWnd, IDC_NOTES), 0, 0, cx, cyEdit, TRUE);
        MoveWindow(GetDlgItem(hWnd, IDC_STATUS), 4, cyEdit + 3, cx > 8 ? cx - 8 : 0, STATUS_HEIGHT - 4, TRUE);
        return 0;
    }
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(hWnd, IDC_NOTES));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_ABOUT) {
            MessageBoxW(hWnd, AboutText().c_str(), kAboutCaption, MB_OK | MB_ICONINFORMATION);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closing must not lose notes silently: ask when they cannot be saved.
        if (!SaveNotes(EditText(GetDlgItem(hWnd, IDC_NOTES))) &&
            MessageBoxW(hWnd, kSaveFailedText, kTitle, MB_YESNO | MB_ICONWARNING) != IDYES)
            return 0;
        DestroyWindow(hWnd);
        return 0;
    case WM_ENDSESSION:
        if (wParam)
            SaveNotes(EditText(GetDlgItem(hWnd, IDC_NOTES)));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HMENU CreateMainMenu()
{
    HMENU hHelp = CreatePopupMenu();
    AppendMenuW(hHelp, MF_STRING, IDM_ABOUT, kMenuAbout);
    HMENU hMenu = CreateMenu();
    AppendMenuW(hMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(hHelp), kMenuHelp);
    return hMenu;
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow)
{
    WNDCLASSEXW wc = { sizeof(wc) };
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    HWND hWnd = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480,
                                nullptr, CreateMainMenu(), hInstance, nullptr);
    if (!hWnd)
        return 1;
    ShowWindow(hWnd, nCmdShow);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
