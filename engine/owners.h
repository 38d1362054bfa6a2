// owners.h: small owners of a registry key, a COM interface pointer and a
// thread's handle, so that every way out of a function closes or releases
// what it opened.
//
//   CRegistryKey key;
//   if (key.Open(HKEY_LOCAL_MACHINE, L"Software\\Vellomar", KEY_QUERY_VALUE) != ERROR_SUCCESS)
//       return;
//   RegQueryValueExW(key, ...);                 // closed at scope end
//
//   CComRef<IShellLinkW> pLink;
//   if (FAILED(CoCreateInstance(..., pLink.Receive())))
//       return;
//   pLink->SetPath(...);                        // released at scope end
//
//   CThreadHandle thread;
//   thread.Reset(StartWorkerThread(Proc, this));
//   thread.Join();                              // waits for its end, then closes
//
// Locks are afx/afxmt.h's CSRWLock, the one lock of the whole program.
#pragma once
#include <windows.h>

// One thread's handle, closed with its owner. The owner never waits on its
// own: waiting is the holder's choice (Join).
class CThreadHandle
{
public:
    CThreadHandle() = default;
    explicit CThreadHandle(HANDLE hThread) : m_hThread(hThread) {}
    ~CThreadHandle() { Reset(nullptr); }
    CThreadHandle(CThreadHandle&& other) noexcept : m_hThread(other.m_hThread) { other.m_hThread = nullptr; }
    CThreadHandle& operator=(CThreadHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.m_hThread);
            other.m_hThread = nullptr;
        }
        return *this;
    }
    CThreadHandle(const CThreadHandle&) = delete;
    CThreadHandle& operator=(const CThreadHandle&) = delete;

    // Closes the handle held, if any, and holds hThread (may be null).
    void Reset(HANDLE hThread)
    {
        if (m_hThread)
            ::CloseHandle(m_hThread);
        m_hThread = hThread;
    }
    // Waits for the thread's end and closes its handle; nothing without one.
    void Join()
    {
        if (m_hThread) {
            ::WaitForSingleObject(m_hThread, INFINITE);
            Reset(nullptr);
        }
    }
    operator HANDLE() const { return m_hThread; }

private:
    HANDLE m_hThread = nullptr;
};

class CRegistryKey
{
public:
    CRegistryKey() = default;
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens or creates the key; on failure the owner holds no key.
    LSTATUS Open(HKEY hParent, LPCWSTR pszName, REGSAM samDesired)
    {
        Close();
        HKEY hKey = nullptr;
        const LSTATUS status = ::RegOpenKeyExW(hParent, pszName, 0, samDesired, &hKey);
        if (status == ERROR_SUCCESS)
            m_hKey = hKey;
        return status;
    }
    LSTATUS Create(HKEY hParent, LPCWSTR pszName, REGSAM samDesired)
    {
        Close();
        HKEY hKey = nullptr;
        const LSTATUS status = ::RegCreateKeyExW(hParent, pszName, 0, nullptr, REG_OPTION_NON_VOLATILE, samDesired,
                                                 nullptr, &hKey, nullptr);
        if (status == ERROR_SUCCESS)
            m_hKey = hKey;
        return status;
    }
    void Close()
    {
        if (m_hKey) {
            ::RegCloseKey(m_hKey);
            m_hKey = nullptr;
        }
    }
    operator HKEY() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};

// One reference to a COM interface, released at scope end.
template <class T>
class CComRef
{
public:
    CComRef() = default;
    ~CComRef()
    {
        if (m_p)
            m_p->Release();
    }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;

    // Where CoCreateInstance or QueryInterface leaves the new reference.
    void** Receive() { return reinterpret_cast<void**>(&m_p); }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
