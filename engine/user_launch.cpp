#include "engine/user_launch.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "engine/owners.h"
#include "engine/setup_log.h"

namespace {

ShellLaunchFn g_pfnShellLaunch = LaunchThroughDesktopShell;

// One BSTR, freed at scope end.
class CBstr
{
public:
    explicit CBstr(LPCWSTR psz) : m_bstr(::SysAllocString(psz)) {}
    ~CBstr() { ::SysFreeString(m_bstr); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR get() const { return m_bstr; }

private:
    BSTR m_bstr;
};

// A VARIANT holding a string it does not own (the CBstr outlives it).
VARIANT StringVariant(const CBstr& str)
{
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = str.get();
    return v;
}

} // namespace

bool LaunchThroughDesktopShell(LPCWSTR pszFile, LPCWSTR pszDirectory)
{
    CComRef<IShellWindows> pWindows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  pWindows.Receive())))
        return false;
    VARIANT vLocation;
    ::VariantInit(&vLocation);
    vLocation.vt = VT_I4;
    vLocation.lVal = CSIDL_DESKTOP;
    VARIANT vEmpty;
    ::VariantInit(&vEmpty);
    long lHwnd = 0;
    CComRef<IDispatch> pDesktop;
    if (pWindows->FindWindowSW(&vLocation, &vEmpty, SWC_DESKTOP, &lHwnd, SWFO_NEEDDISPATCH,
                               reinterpret_cast<IDispatch**>(pDesktop.Receive())) != S_OK
        || !pDesktop)
        return false;
    CComRef<IServiceProvider> pProvider;
    if (FAILED(pDesktop->QueryInterface(IID_IServiceProvider, pProvider.Receive())))
        return false;
    CComRef<IShellBrowser> pBrowser;
    if (FAILED(pProvider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, pBrowser.Receive())) || !pBrowser)
        return false;
    CComRef<IShellView> pView;
    if (FAILED(pBrowser->QueryActiveShellView(reinterpret_cast<IShellView**>(pView.Receive()))) || !pView)
        return false;
    CComRef<IDispatch> pBackground;
    if (FAILED(pView->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, pBackground.Receive())) || !pBackground)
        return false;
    CComRef<IShellFolderViewDual> pFolderView;
    if (FAILED(pBackground->QueryInterface(IID_IShellFolderViewDual, pFolderView.Receive())))
        return false;
    CComRef<IDispatch> pApplication;
    if (FAILED(pFolderView->get_Application(reinterpret_cast<IDispatch**>(pApplication.Receive()))) || !pApplication)
        return false;
    CComRef<IShellDispatch2> pShell;
    if (FAILED(pApplication->QueryInterface(IID_IShellDispatch2, pShell.Receive())))
        return false;

    const CBstr bstrFile(pszFile);
    const CBstr bstrDirectory(pszDirectory);
    const CBstr bstrOperation(L"open");
    VARIANT vArgs;
    ::VariantInit(&vArgs);
    VARIANT vShow;
    ::VariantInit(&vShow);
    vShow.vt = VT_I4;
    vShow.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(pShell->ShellExecute(bstrFile.get(), vArgs, StringVariant(bstrDirectory),
                                          StringVariant(bstrOperation), vShow));
}

ShellLaunchFn SetShellLaunchRoute(ShellLaunchFn pfnRoute)
{
    const ShellLaunchFn pfnOld = g_pfnShellLaunch;
    g_pfnShellLaunch = pfnRoute ? pfnRoute : LaunchThroughDesktopShell;
    return pfnOld;
}

LaunchRoute LaunchAsUser(LPCWSTR pszFile, LPCWSTR pszDirectory)
{
    if (g_pfnShellLaunch(pszFile, pszDirectory)) {
        LogSetupStep(L"launch: through the desktop's shell");
        return LaunchRoute::DesktopShell;
    }
    const HINSTANCE hResult = ::ShellExecuteW(nullptr, L"open", pszFile, nullptr, pszDirectory, SW_SHOWNORMAL);
    const bool bStarted = reinterpret_cast<INT_PTR>(hResult) > 32;
    LogSetupStep(bStarted ? L"launch: directly (the desktop's shell could not be reached)" : L"launch: failed");
    return bStarted ? LaunchRoute::Direct : LaunchRoute::None;
}
