#include "engine/product.h"

#include <windows.h>

CString g_strInstallPath;

CString GetUninstallKeyName()
{
    CString strKey;
    strKey.Format(UNINSTALL_KEY_FORMAT, PRODUCT_NAME);
    return strKey;
}

CString GetProductKeyName()
{
    CString strKey;
    strKey.Format(PRODUCT_KEY_FORMAT, PRODUCT_NAME);
    return strKey;
}

unsigned GetAppVerCode(const std::wstring& strInstallDir)
{
    const std::wstring strFile = strInstallDir + VERSION_INI_FILE;
    return GetPrivateProfileIntW(VERSION_INI_SECTION, VERSION_INI_KEY, 0, strFile.c_str());
}
