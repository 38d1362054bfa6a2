#include "wizard/install_rules.h"

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
    if (IsDriveRoot(strPath) || nLastSlash < 0 || _wcsicmp(strPath.Mid(nLastSlash + 1), PRODUCT_NAME) != 0)
        return AppendProductFolder(strPath);
    return strPath;
}

CString GetForeignFolderQuestion(const CString& strFolder)
{
    CString strText;
    strText.Format(L"该文件夹中已有其他文件：\r\n%s\r\n\r\n继续安装可能覆盖同名文件，是否继续？",
                   static_cast<LPCWSTR>(CompactPath(strFolder)));
    return strText;
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
    case InstallPathProblem::NameTooLong:
        strText.Format(L"路径无效: 名称超过%d个字符", MAX_PATH_COMPONENT_CHARS);
        break;
    case InstallPathProblem::TooLong:
        strText = L"路径过长: 请选择较短的路径";
        break;
    case InstallPathProblem::FileInTheWay:
        strText.Format(L"路径无效: 已有同名文件 %s", check.strPart);
        break;
    }
    return strText;
}

// ---- Progress page ----------------------------------------------------------------

int GetPathTextWidth(const CString& strText)
{
    int nWidth = 0;
    for (int i = 0; i < strText.GetLength(); ++i)
        nWidth += strText[i] >= WIDE_GLYPH_FIRST ? 2 : 1;
    return nWidth;
}

namespace {

// The longest start of strText no wider than nWidth.
CString HeadWithin(const CString& strText, int nWidth)
{
    int n = 0;
    for (int nUsed = 0; n < strText.GetLength(); ++n) {
        nUsed += GetPathTextWidth(strText.Mid(n, 1));
        if (nUsed > nWidth)
            break;
    }
    // Never half of a surrogate pair.
    if (n > 0 && IS_HIGH_SURROGATE(strText[n - 1]))
        --n;
    return strText.Left(n);
}

// The longest end of strText no wider than nWidth.
CString TailWithin(const CString& strText, int nWidth)
{
    int n = 0;
    for (int nUsed = 0; n < strText.GetLength(); ++n) {
        nUsed += GetPathTextWidth(strText.Mid(strText.GetLength() - 1 - n, 1));
        if (nUsed > nWidth)
            break;
    }
    if (n > 0 && IS_LOW_SURROGATE(strText[strText.GetLength() - n]))
        --n;
    return strText.Right(n);
}

}  // namespace

CString CompactPath(LPCWSTR pszPath)
{
    if (!pszPath || !*pszPath)
        return CString();
    const CString strPath = pszPath;
    const int nMax = static_cast<int>(FAILURE_PATH_MAX_CHARS);
    if (GetPathTextWidth(strPath) <= nMax)
        return strPath;
    const int nRoom = nMax - GetPathTextWidth(PATH_ELLIPSIS);
    // The last name whole (with the backslash before it, and the one after
    // it for a folder), after as much of the start as fits: the start says
    // where, the name says which file.
    const int nCut = strPath.Left(strPath.GetLength() - 1).ReverseFind(L'\\');
    const CString strTail = nCut > 0 ? strPath.Mid(nCut) : strPath;
    if (GetPathTextWidth(strTail) <= nRoom - MIN_PATH_HEAD_CHARS)
        return HeadWithin(strPath, nRoom - GetPathTextWidth(strTail)) + PATH_ELLIPSIS + strTail;
    // A name too long for that: its end (the extension) and the path's start.
    const CString strHead = HeadWithin(strPath, nRoom / 2);
    return strHead + PATH_ELLIPSIS + TailWithin(strPath, nRoom - GetPathTextWidth(strHead));
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
