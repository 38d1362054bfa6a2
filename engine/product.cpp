#include "engine/product.h"

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
