// afxobj.h: the root classes and the message-map machinery.
//
// CObject gives run-time class information (DECLARE_DYNAMIC/IMPLEMENT_DYNAMIC,
// RUNTIME_CLASS, IsKindOf). CCmdTarget owns a message map: a static table of
// entries, each naming a message (or a command/notification code and control
// id) and a small thunk that calls the handler with the message unpacked.
// A class declares its map with DECLARE_MESSAGE_MAP() and defines it with
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(IDC_START, &CMyDlg::OnBnClickedStart)
//   END_MESSAGE_MAP()
// The ON_* macros are in afxmsg.h. Lookup walks the class's map, then each
// base class's map; an unmatched message goes to the window's Default().
#pragma once
#include <windows.h>

// Marks message handlers in class declarations; expands to nothing.
#ifndef afx_msg
#define afx_msg
#endif

class CObject;
class CCmdTarget;
struct AFX_CMDHANDLERINFO;

// ---- Run-time class information ---------------------------------------------

struct CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    CRuntimeClass* (*m_pfnGetBaseClass)();

    CRuntimeClass* GetBaseClass() const { return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr; }
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name) \
public: \
    static CRuntimeClass* GetThisClass(); \
    CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    CRuntimeClass* class_name::GetThisClass() \
    { \
        static CRuntimeClass s_class = {#class_name, static_cast<int>(sizeof(class_name)), \
                                        &base_class_name::GetThisClass}; \
        return &s_class; \
    } \
    CRuntimeClass* class_name::GetRuntimeClass() const { return GetThisClass(); }

class CObject
{
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    static CRuntimeClass* GetThisClass();

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// ---- Message maps ------------------------------------------------------------

// Calls one handler of pTarget with the message unpacked; returns the result.
typedef LRESULT (*AFX_PMSGFN)(CCmdTarget* pTarget, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;   // window message, or WM_COMMAND / WM_NOTIFY (+ WM_REFLECT_BASE when reflected)
    UINT nCode;      // notification code for WM_COMMAND / WM_NOTIFY entries
    UINT nID;        // first control id
    UINT nLastID;    // last control id (a range for ON_COMMAND_RANGE)
    AFX_PMSGFN pfn;  // null ends the table
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Reflected messages come back to the child as WM_REFLECT_BASE + message.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

// The entries are built inside a static member of theClass, so handlers may be
// protected or private, and ThisClass names the class in every ON_* macro.
#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() \
    { \
        using ThisClass [[maybe_unused]] = theClass; \
        using TheBaseClass = baseClass; \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
            {0, 0, 0, 0, nullptr} \
        }; \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
        return &messageMap; \
    }

class CCmdTarget : public CObject
{
public:
    CRuntimeClass* GetRuntimeClass() const override;
    static CRuntimeClass* GetThisClass();

    // Looks up and calls the handler of a command or control notification
    // (WM_COMMAND with nCode and nID). TRUE when a handler ran. pExtra and
    // pHandlerInfo are kept for the familiar signature and are unused.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The first entry matching message, code and id in this class's map or a
    // base's; null when none. Codes and ids are compared for WM_COMMAND and
    // WM_NOTIFY entries (and their reflections) only.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};
