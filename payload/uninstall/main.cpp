// VLUninstall: removes an installation of Vellomar. For now it only says
// what it is; the removal itself comes with the real uninstaller.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    MessageBoxW(nullptr, L"Vellomar 卸载程序", L"Vellomar", MB_OK | MB_ICONINFORMATION);
    return 0;
}
