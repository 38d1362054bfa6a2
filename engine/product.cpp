#include "engine/product.h"

CString g_strInstallPath;
