// gdi_census.cpp: each counted import is pointed at a small stub that
// increments its kind's counter and jumps on to the real function, so the
// stub works for every signature and calling convention without knowing it.
// A stub counts calls: a failed creation counts too, which can only make a
// leak look smaller, never invent one.
#include "tests/skin/gdi_census.h"

#include <cstring>
#include <vector>

namespace {

enum Kind { GDI_CREATED, GDI_DELETED, GDIP_CREATED, GDIP_DELETED, DC_GOT, DC_RELEASED, KIND_COUNT, NOT_COUNTED };

bool StartsWith(const char* psz, const char* pszPrefix)
{
    return std::strncmp(psz, pszPrefix, std::strlen(pszPrefix)) == 0;
}

// Which counter an import of this DLL and name feeds.
Kind Classify(const char* pszDll, const char* pszName)
{
    if (_stricmp(pszDll, "gdi32.dll") == 0) {
        if (StartsWith(pszName, "Create") || StartsWith(pszName, "ExtCreate"))
            return GDI_CREATED;
        if (!std::strcmp(pszName, "DeleteObject") || !std::strcmp(pszName, "DeleteDC"))
            return GDI_DELETED;
    } else if (_stricmp(pszDll, "gdiplus.dll") == 0) {
        // These two hand out GDI handles that DeleteObject frees.
        if (!std::strcmp(pszName, "GdipCreateHBITMAPFromBitmap") || !std::strcmp(pszName, "GdipCreateHICONFromBitmap"))
            return GDI_CREATED;
        // A graphics on an image and the generic families and formats are
        // deleted like created objects by the C++ wrappers.
        if (StartsWith(pszName, "GdipCreate") || StartsWith(pszName, "GdipClone") || StartsWith(pszName, "GdipLoad")
            || StartsWith(pszName, "GdipGetGenericFontFamily") || StartsWith(pszName, "GdipStringFormatGetGeneric")
            || !std::strcmp(pszName, "GdipGetImageGraphicsContext"))
            return GDIP_CREATED;
        if (StartsWith(pszName, "GdipDelete") || StartsWith(pszName, "GdipDispose"))
            return GDIP_DELETED;
    } else if (_stricmp(pszDll, "user32.dll") == 0) {
        if (!std::strcmp(pszName, "GetDC") || !std::strcmp(pszName, "GetWindowDC") || !std::strcmp(pszName, "GetDCEx"))
            return DC_GOT;
        if (!std::strcmp(pszName, "ReleaseDC"))
            return DC_RELEASED;
    }
    return NOT_COUNTED;
}

// One stub: code, then the real function's address it jumps through.
struct Stub
{
    unsigned char code[24];
    void* pTarget;
};

// Counters and stubs share one executable block, so that x86-64 code can
// reach the counters RIP-relative.
struct StubBlock
{
    volatile LONG counts[KIND_COUNT];
    Stub stubs[512];
};

StubBlock* Block()
{
    static StubBlock* const s_pBlock = static_cast<StubBlock*>(
        ::VirtualAlloc(nullptr, sizeof(StubBlock), MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
    return s_pBlock;
}

void PutInt32(unsigned char* p, LONG_PTR n)
{
    const INT32 n32 = static_cast<INT32>(n);
    std::memcpy(p, &n32, 4);
}

// lock inc dword [counter]; jmp [pTarget]
void WriteStub(Stub& stub, volatile LONG* pCounter, void* pTarget)
{
    stub.pTarget = pTarget;
    unsigned char* p = stub.code;
#ifdef _WIN64
    p[0] = 0xF0; p[1] = 0xFF; p[2] = 0x05;       // lock inc dword [rip + rel32]
    PutInt32(p + 3, reinterpret_cast<const volatile unsigned char*>(pCounter) - (p + 7));
    p[7] = 0xFF; p[8] = 0x25;                    // jmp qword [rip + rel32]
    PutInt32(p + 9, reinterpret_cast<const unsigned char*>(&stub.pTarget) - (p + 13));
#else
    p[0] = 0xF0; p[1] = 0xFF; p[2] = 0x05;       // lock inc dword [abs32]
    PutInt32(p + 3, reinterpret_cast<LONG_PTR>(pCounter));
    p[7] = 0xFF; p[8] = 0x25;                    // jmp dword [abs32]
    PutInt32(p + 9, reinterpret_cast<LONG_PTR>(&stub.pTarget));
#endif
}

struct Patch
{
    void** ppSlot;
    void* pOriginal;
};
std::vector<Patch>& Patches()
{
    static std::vector<Patch> s_patches;
    return s_patches;
}

void WriteSlot(void** ppSlot, void* pValue)
{
    DWORD nOld = 0;
    ::VirtualProtect(ppSlot, sizeof(void*), PAGE_READWRITE, &nOld);
    *ppSlot = pValue;
    ::VirtualProtect(ppSlot, sizeof(void*), nOld, &nOld);
}

}  // namespace

GdiCensus::GdiCensus()
{
    StubBlock* pBlock = Block();
    if (!pBlock || !Patches().empty())
        return;
    for (volatile LONG& n : pBlock->counts)
        n = 0;
    auto* pBase = reinterpret_cast<unsigned char*>(::GetModuleHandleW(nullptr));
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
    const auto* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t nStub = 0;
    for (auto* pDesc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress);
         dir.VirtualAddress && pDesc->Name; ++pDesc) {
        const char* pszDll = reinterpret_cast<const char*>(pBase + pDesc->Name);
        if (!pDesc->OriginalFirstThunk)
            continue;   // no names to classify by
        auto* pNames = reinterpret_cast<const IMAGE_THUNK_DATA*>(pBase + pDesc->OriginalFirstThunk);
        auto* pSlots = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData; ++pNames, ++pSlots) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal))
                continue;
            const auto* pByName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(pBase + pNames->u1.AddressOfData);
            const Kind kind = Classify(pszDll, reinterpret_cast<const char*>(pByName->Name));
            if (kind == NOT_COUNTED || nStub == sizeof(pBlock->stubs) / sizeof(pBlock->stubs[0]))
                continue;
            void** ppSlot = reinterpret_cast<void**>(&pSlots->u1.Function);
            Stub& stub = pBlock->stubs[nStub++];
            WriteStub(stub, &pBlock->counts[kind], *ppSlot);
            Patches().push_back({ppSlot, *ppSlot});
            WriteSlot(ppSlot, stub.code);
        }
    }
    ::FlushInstructionCache(::GetCurrentProcess(), pBlock, sizeof(*pBlock));
    m_nPatched = static_cast<int>(Patches().size());
}

GdiCensus::~GdiCensus()
{
    // The stubs stay: a call may still be on its way through one.
    for (const Patch& patch : Patches())
        WriteSlot(patch.ppSlot, patch.pOriginal);
    Patches().clear();
}

GdiCensus::Counts GdiCensus::Now() const
{
    Counts counts;
    const StubBlock* pBlock = Block();
    if (!pBlock)
        return counts;
    counts.nGdiCreated = pBlock->counts[GDI_CREATED];
    counts.nGdiDeleted = pBlock->counts[GDI_DELETED];
    counts.nGdipCreated = pBlock->counts[GDIP_CREATED];
    counts.nGdipDeleted = pBlock->counts[GDIP_DELETED];
    counts.nDcGot = pBlock->counts[DC_GOT];
    counts.nDcReleased = pBlock->counts[DC_RELEASED];
    return counts;
}

Growth GrowthOver100(const GdiCensus& census, const std::function<void()>& work)
{
    for (int i = 0; i < 5; ++i)
        work();
    const GdiCensus::Counts before = census.Now();
    for (int i = 0; i < 100; ++i)
        work();
    const GdiCensus::Counts after = census.Now();
    return {after.LiveGdi() - before.LiveGdi(), after.LiveGdip() - before.LiveGdip(), after.LiveDc() - before.LiveDc()};
}
