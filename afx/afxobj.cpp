#include "afx/afxobj.h"

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* p = this; p; p = p->GetBaseClass()) {
        if (p == pBaseClass)
            return TRUE;
    }
    return FALSE;
}

CRuntimeClass* CObject::GetThisClass()
{
    static CRuntimeClass s_class = {"CObject", static_cast<int>(sizeof(CObject)), nullptr};
    return &s_class;
}

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return GetThisClass();
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY s_entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP s_map = {nullptr, &s_entries[0]};
    return &s_map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

namespace {

// Entries filed under these carry a notification code (and, unless
// reflected, a control id range) that must match as well.
bool HasCode(UINT nMessage)
{
    return nMessage == WM_COMMAND || nMessage == WM_NOTIFY ||
           nMessage == WM_REFLECT_BASE + WM_COMMAND || nMessage == WM_REFLECT_BASE + WM_NOTIFY;
}

bool HasIdRange(UINT nMessage)
{
    return nMessage == WM_COMMAND || nMessage == WM_NOTIFY;
}

}  // namespace

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn; ++pEntry) {
            if (pEntry->nMessage != nMessage)
                continue;
            if (HasCode(nMessage) && pEntry->nCode != nCode)
                continue;
            if (HasIdRange(nMessage) && (nID < pEntry->nID || nID > pEntry->nLastID))
                continue;
            return pEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, AFX_CMDHANDLERINFO*)
{
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!pEntry)
        return FALSE;
    pEntry->pfn(this, WM_COMMAND, MAKEWPARAM(nID, nCode), 0);
    return TRUE;
}
