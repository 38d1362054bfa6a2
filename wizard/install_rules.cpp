#include "wizard/install_rules.h"

#include <shlwapi.h>
#include <cstring>
#include <new>
#include <cwchar>

#include "engine/extract.h"
#include "engine/product.h"

// ---- First page -----------------------------------------------------------------

bool HasDriveLetter(const CString& strPath)
{
    return strPath.GetLength() >= 3 && strPath[1] == L':';
}

CString WithTrailingBackslash(const CString& strPath)
{
    if (strPath.IsEmpty() || strPath[strPath.GetLength() - 1] != L'\\')
        return strPath + L'\\';
    return strPath;
}

CString ComposeBrowsedFolder(const CString& strChosen)
{
    if (!HasDriveLetter(strChosen))
        return CString();
    CString strPath = strChosen;
    if (strPath[strPath.GetLength() - 1] == L'\\')
        strPath = strPath.Left(strPath.GetLength() - 1);
    const int nLastSlash = strPath.ReverseFind(L'\\');
    // A folder already named after the product gets no second product folder.
    if (nLastSlash < 0 || _wcsicmp(strPath.Mid(nLastSlash + 1), PRODUCT_NAME) != 0) {
        strPath += L'\\';
        strPath += PRODUCT_NAME;
        strPath += L'\\';
    }
    return strPath;
}

bool IsEnoughSpace(LONGLONG nFreeBytes)
{
    return nFreeBytes >= static_cast<LONGLONG>(REQUIRED_FREE_BYTES);
}

CString GetPathProblemText(const InstallPathCheck& check)
{
    CString strText;
    switch (check.problem) {
    case InstallPathProblem::None:
        break;
    case InstallPathProblem::NoDriveLetter:
        strText = L"路径无效: 请填写以盘符开头的完整路径";
        break;
    case InstallPathProblem::DriveMissing:
        strText.Format(L"磁盘不存在: %s", check.strPart);
        break;
    case InstallPathProblem::BadCharacter:
        strText = L"路径无效: 含有不能用于名称的字符";
        break;
    case InstallPathProblem::ReservedName:
        strText.Format(L"路径无效: %s 是系统保留的名称", check.strPart);
        break;
    case InstallPathProblem::TrailingDotOrSpace:
        strText = L"路径无效: 名称不能以空格或点结尾";
        break;
    case InstallPathProblem::FileInTheWay:
        strText.Format(L"路径无效: 已有同名文件 %s", check.strPart);
        break;
    }
    return strText;
}

// ---- Progress page ----------------------------------------------------------------

CString CompactPath(LPCWSTR pszPath)
{
    if (!pszPath || !*pszPath)
        return CString();
    wchar_t szShort[FAILURE_PATH_MAX_CHARS + 1] = {};
    if (!::PathCompactPathExW(szShort, pszPath, FAILURE_PATH_MAX_CHARS + 1, 0))
        return CString(pszPath).Left(FAILURE_PATH_MAX_CHARS);
    return szShort;
}

CString GetInstallFailureText(WPARAM nCode, LPCWSTR pszPath)
{
    CString strText;
    switch (nCode) {
    case INSTALL_ERR_STAGE:
        strText = L"无法写入临时文件，安装失败！\r\n\r\n请检查系统盘的剩余空间后重新运行\r\n安装程序。";
        break;
    case INSTALL_ERR_OPEN:
        strText = L"无法读取安装数据，安装失败！\r\n\r\n请重新运行安装程序。";
        break;
    case INSTALL_ERR_ARCHIVE:
        strText = L"安装数据已损坏，安装失败！\r\n\r\n请重新下载Vellomar安装程序。";
        break;
    case INSTALL_ERR_CREATE:
        strText.Format(L"无法创建文件，安装失败：\r\n%s\r\n请确认该文件未被占用并且可以写入。",
                       static_cast<LPCWSTR>(CompactPath(pszPath)));
        break;
    case INSTALL_ERR_WRITE:
        strText.Format(L"写入文件失败，安装失败：\r\n%s\r\n请检查磁盘的剩余空间。",
                       static_cast<LPCWSTR>(CompactPath(pszPath)));
        break;
    case INSTALL_ERR_CLOSE:
        strText = L"保存文件失败，安装失败！\r\n\r\n请检查磁盘后重新运行安装程序。";
        break;
    case INSTALL_ERR_NOMEM:
        strText = L"内存不足，安装失败！\r\n\r\n请关闭其他程序后重新运行安装程序。";
        break;
    case INSTALL_ERR_DECODE:
        strText = L"安装数据校验失败，安装失败！\r\n\r\n请重新下载Vellomar安装程序。";
        break;
    case INSTALL_ERR_FOLDER:
        strText = L"无法创建安装目录，安装失败！\r\n\r\n请选择其他安装目录。";
        break;
    case INSTALL_ERR_THREAD:
        strText = L"无法启动安装，安装失败！\r\n\r\n请关闭其他程序后重新运行安装程序。";
        break;
    case INSTALL_ERR_ROLLBACK:
        strText.Format(L"安装失败，且无法恢复原有文件：\r\n%s\r\n下次运行安装程序时将再次尝试恢复。",
                       static_cast<LPCWSTR>(CompactPath(pszPath)));
        break;
    case INSTALL_ERR_JOURNAL:
        strText = L"无法在安装目录旁写入安装记录，安装失败！\r\n\r\n请确认该位置可以写入。";
        break;
    default:
        break;
    }
    return strText;
}

// ---- Message box --------------------------------------------------------------------

MessageBoxLayout GetMessageBoxLayout(const CString& strMessage)
{
    if (strMessage.Find(L"\r\n") >= 0)
        return MessageBoxLayout{{10, 60}, 60};
    return MessageBoxLayout{{20, 60}, 80};
}

// ---- Agreement text -----------------------------------------------------------------

BYTE* g_pAgreementBuf = nullptr;
DWORD g_nAgreementSize = 0;
DWORD g_nAgreementReadPos = 0;

BOOL SetAgreementText(const void* pData, DWORD nSize)
{
    // A text larger than the usual buffer is read whole rather than cut.
    const DWORD nBufSize = nSize > AGREEMENT_BUF_SIZE ? nSize : AGREEMENT_BUF_SIZE;
    BYTE* pBuf = new (std::nothrow) BYTE[nBufSize];
    if (!pBuf)
        return FALSE;
    std::memcpy(pBuf, pData, nSize);
    delete[] g_pAgreementBuf;
    g_pAgreementBuf = pBuf;
    g_nAgreementSize = nSize;
    g_nAgreementReadPos = 0;
    return TRUE;
}

DWORD CALLBACK AgreementStreamCallback(DWORD_PTR, LPBYTE pbBuff, LONG cb, LONG* pcb)
{
    const DWORD nLeft = g_nAgreementSize - g_nAgreementReadPos;
    const DWORD n = cb > 0 && static_cast<DWORD>(cb) < nLeft ? static_cast<DWORD>(cb) : (cb > 0 ? nLeft : 0);
    if (n)
        std::memcpy(pbBuff, g_pAgreementBuf + g_nAgreementReadPos, n);
    g_nAgreementReadPos += n;
    *pcb = static_cast<LONG>(n);
    return 0;
}
