#include "engine/folder_stream.h"

#include <process.h>
#include <algorithm>
#include <cstring>

#include "afx/afxmt.h"
#include "engine/archive_stream.h"

extern "C" {
#include "7zCrc.h"
#include "Bra.h"
#include "Lzma2Dec.h"
#include "LzmaDec.h"
}

namespace {

// Coder ids as the 7z format stores them.
constexpr UInt32 METHOD_COPY = 0;
constexpr UInt32 METHOD_LZMA2 = 0x21;
constexpr UInt32 METHOD_LZMA = 0x30101;
constexpr UInt32 METHOD_BCJ_X86 = 0x3030103;

// The x86 filter looks this many bytes past an instruction it may convert,
// so up to this many bytes at a chunk's end wait for the next chunk.
constexpr size_t BCJ_LOOKAHEAD = 4;

// How often a decoder waiting for a free chunk looks whether an earlier
// block has failed (that lane has no way to wake it).
constexpr DWORD STOP_POLL_MS = 50;

// Whole-decoded blocks hold their full size in memory: one at a time, in the
// whole process, so parallel lanes never hold several.
CSRWLock g_wholeLock;
CONDITION_VARIABLE g_wholeFreed = CONDITION_VARIABLE_INIT;
bool g_bWholeBusy = false;   // under g_wholeLock

// The turn to decode a block whole, released with this object.
class CWholeTurn
{
public:
    template <class Stopping>
    explicit CWholeTurn(Stopping stopping)
    {
        CSRWLockGuard hold(g_wholeLock);
        while (g_bWholeBusy && !stopping())
            ::SleepConditionVariableSRW(&g_wholeFreed, g_wholeLock.get(), STOP_POLL_MS, 0);
        m_bHeld = !g_bWholeBusy;
        if (m_bHeld)
            g_bWholeBusy = true;
    }
    ~CWholeTurn()
    {
        if (!m_bHeld)
            return;
        g_wholeLock.Lock();
        g_bWholeBusy = false;
        g_wholeLock.Unlock();
        ::WakeAllConditionVariable(&g_wholeFreed);
    }
    CWholeTurn(const CWholeTurn&) = delete;
    CWholeTurn& operator=(const CWholeTurn&) = delete;
    bool Held() const { return m_bHeld; }

private:
    bool m_bHeld = false;
};

bool IsMainCoder(const CSzCoderInfo& coder)
{
    return coder.NumStreams == 1
           && (coder.MethodID == METHOD_COPY || coder.MethodID == METHOD_LZMA || coder.MethodID == METHOD_LZMA2);
}

// LZMA and LZMA2 behind one face: both decode through their dictionary into
// a buffer of ours.
struct CLzmaCoder
{
    UInt32 nMethod = METHOD_COPY;
    CLzmaDec lzma;
    CLzma2Dec lzma2;

    CLzmaCoder()
    {
        LzmaDec_CONSTRUCT(&lzma)
        Lzma2Dec_CONSTRUCT(&lzma2)
    }
    ~CLzmaCoder()
    {
        LzmaDec_Free(&lzma, &g_szHeapAlloc);
        Lzma2Dec_Free(&lzma2, &g_szHeapAlloc);
    }
    CLzmaCoder(const CLzmaCoder&) = delete;
    CLzmaCoder& operator=(const CLzmaCoder&) = delete;

    SRes Init(UInt32 nMethodId, const Byte* pProps, unsigned nPropsSize)
    {
        nMethod = nMethodId;
        if (nMethod == METHOD_LZMA) {
            RINOK(LzmaDec_Allocate(&lzma, pProps, nPropsSize, &g_szHeapAlloc))
            LzmaDec_Init(&lzma);
        } else if (nMethod == METHOD_LZMA2) {
            if (nPropsSize != 1)
                return SZ_ERROR_UNSUPPORTED;
            RINOK(Lzma2Dec_Allocate(&lzma2, pProps[0], &g_szHeapAlloc))
            Lzma2Dec_Init(&lzma2);
        }
        return SZ_OK;
    }

    SRes Decode(Byte* pOut, SizeT* pnOut, const Byte* pIn, SizeT* pnIn, ELzmaFinishMode finish, ELzmaStatus* pStatus)
    {
        return nMethod == METHOD_LZMA ? LzmaDec_DecodeToBuf(&lzma, pOut, pnOut, pIn, pnIn, finish, pStatus)
                                      : Lzma2Dec_DecodeToBuf(&lzma2, pOut, pnOut, pIn, pnIn, finish, pStatus);
    }

    // An LZMA stream may end without its mark once every byte is out; LZMA2 always has one.
    bool Ended(ELzmaStatus status) const
    {
        return status == LZMA_STATUS_FINISHED_WITH_MARK
               || (nMethod == METHOD_LZMA && status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK);
    }
};

}  // namespace

HANDLE StartWorkerThread(unsigned(__stdcall* pProc)(void*), void* pParam)
{
    unsigned nThreadId = 0;
    const HANDLE hThread = reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, pProc, pParam, CREATE_SUSPENDED,
                                                                     &nThreadId));
    if (hThread) {
        ::SetThreadPriority(hThread, WORKER_THREAD_PRIORITY);
        ::ResumeThread(hThread);
    }
    return hThread;
}

bool IsStreamedFolder(const CSzFolder& folder)
{
    if (folder.NumPackStreams != 1 || folder.PackStreams[0] != 0 || !IsMainCoder(folder.Coders[0]))
        return false;
    if (folder.NumCoders == 1)
        return folder.NumBonds == 0;
    const CSzCoderInfo& filter = folder.Coders[1];
    return folder.NumCoders == 2 && filter.MethodID == METHOD_BCJ_X86 && filter.NumStreams == 1
           && filter.PropsSize == 0 && folder.NumBonds == 1 && folder.Bonds[0].InIndex == 1
           && folder.Bonds[0].OutIndex == 0;
}

CFolderStream::CFolderStream() = default;

CFolderStream::~CFolderStream()
{
    m_chunks.Cancel();
    m_thread.Join();
    if (m_hArchive != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hArchive);
        m_hArchive = INVALID_HANDLE_VALUE;
    }
    ISzAlloc_Free(&g_szHeapAlloc, m_pRing);
    m_pRing = nullptr;
}

SRes CFolderStream::Start(const CSzArEx* pDb, UInt32 nFolder, const std::wstring& strArchive,
                          const std::atomic<LONG>* pStopBelow, LONG nLane)
{
    m_pDb = pDb;
    m_nFolder = nFolder;
    m_pStopBelow = pStopBelow;
    m_nLane = nLane;
    m_bBlockCrc = SzBitWithVals_Check(&pDb->db.FolderCRCs, nFolder);
    m_nCrc = CRC_INIT_VAL;
    m_pRing = static_cast<Byte*>(ISzAlloc_Alloc(&g_szHeapAlloc, FOLDER_CHUNK_SIZE * FOLDER_CHUNK_COUNT));
    if (!m_pRing)
        return SZ_ERROR_MEM;
    m_hArchive = ::CreateFileW(strArchive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_hArchive == INVALID_HANDLE_VALUE)
        return SZ_ERROR_READ;
    m_thread.Reset(StartWorkerThread(DecoderThread, this));
    return m_thread ? SZ_OK : SZ_ERROR_THREAD;
}

SRes CFolderStream::Read(const Byte** ppData, size_t* pnSize, size_t nMax)
{
    for (;;) {
        if (m_nHeld != ChunkQueue::NO_SLOT) {
            const size_t nAvailable = m_chunks[m_nHeld] - m_nReadPos;
            if (nAvailable > 0) {
                const size_t nSize = std::min(nAvailable, nMax);
                *ppData = m_pRing + m_nHeld * FOLDER_CHUNK_SIZE + m_nReadPos;
                *pnSize = nSize;
                m_nReadPos += nSize;
                if (m_bBlockCrc)
                    m_nCrc = CrcUpdate(m_nCrc, *ppData, nSize);
                return SZ_OK;
            }
            m_chunks.Release();
        }
        m_nHeld = m_chunks.WaitForItem();
        m_nReadPos = 0;
        if (m_nHeld == ChunkQueue::NO_SLOT)   // the decoder has ended: its result is set
            return m_nResult != SZ_OK ? m_nResult : SZ_ERROR_DATA;   // more asked for than the block holds
    }
}

SRes CFolderStream::Finish()
{
    m_chunks.WaitForEnd();
    if (m_nResult != SZ_OK)
        return m_nResult;
    if (m_bBlockCrc && CRC_GET_DIGEST(m_nCrc) != m_pDb->db.FolderCRCs.Vals[m_nFolder])
        return SZ_ERROR_CRC;
    return SZ_OK;
}

unsigned __stdcall CFolderStream::DecoderThread(void* pParam)
{
    CFolderStream* pThis = static_cast<CFolderStream*>(pParam);
    pThis->m_nResult = pThis->Decode();
    pThis->m_chunks.End();   // after the result: a reader that sees the end reads it
    return 0;
}

SRes CFolderStream::Decode()
{
    const CSzAr& ar = m_pDb->db;
    const Byte* pCoders = ar.CodersData + ar.FoCodersOffsets[m_nFolder];
    CSzData data = {pCoders, ar.FoCodersOffsets[m_nFolder + 1] - ar.FoCodersOffsets[m_nFolder]};
    CSzFolder folder;
    if (SzGetNextFolderItem(&folder, &data) != SZ_OK || data.Size != 0)
        return SZ_ERROR_DATA;
    const UInt64 nUnpackSize = SzAr_GetFolderUnpackSize(&ar, m_nFolder);
    if (!IsStreamedFolder(folder) || ar.CoderUnpackSizes[ar.FoToCoderUnpackSizes[m_nFolder]] != nUnpackSize)
        return DecodeWhole(nUnpackSize);

    const UInt32 nPackIndex = ar.FoStartPackStreamIndex[m_nFolder];
    m_nPackedLeft = ar.PackPositions[nPackIndex + 1] - ar.PackPositions[nPackIndex];
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(m_pDb->dataPos + ar.PackPositions[nPackIndex]);
    if (!::SetFilePointerEx(m_hArchive, pos, nullptr, FILE_BEGIN))
        return SZ_ERROR_READ;
    return DecodeStreamed(folder, pCoders, nUnpackSize);
}

SRes CFolderStream::DecodeStreamed(const CSzFolder& folder, const Byte* pProps, UInt64 nUnpackSize)
{
    const CSzCoderInfo& main = folder.Coders[0];
    const bool bCopy = main.MethodID == METHOD_COPY;
    const bool bBcj = folder.NumCoders == 2;
    CLzmaCoder coder;
    RINOK(coder.Init(main.MethodID, pProps + main.PropsOffset, main.PropsSize))

    struct CInput
    {
        Byte* p = static_cast<Byte*>(ISzAlloc_Alloc(&g_szHeapAlloc, FOLDER_INPUT_SIZE));
        ~CInput() { ISzAlloc_Free(&g_szHeapAlloc, p); }
    } input;
    if (!bCopy && !input.p)
        return SZ_ERROR_MEM;
    size_t nInPos = 0;
    size_t nInSize = 0;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    UInt32 nBcjState = Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL;
    UInt32 nBcjPc = 0;
    Byte carry[BCJ_LOOKAHEAD + 1];
    size_t nCarry = 0;
    UInt64 nLeft = nUnpackSize;
    SRes res = SZ_OK;

    while (res == SZ_OK && (nLeft > 0 || nCarry > 0)) {
        Byte* pChunk = TakeFreeChunk();
        if (!pChunk)
            return SZ_ERROR_PROGRESS;
        std::memcpy(pChunk, carry, nCarry);
        size_t nFill = nCarry;
        nCarry = 0;
        while (res == SZ_OK && nFill < FOLDER_CHUNK_SIZE && nLeft > 0) {
            SizeT nOut = static_cast<SizeT>(std::min<UInt64>(FOLDER_CHUNK_SIZE - nFill, nLeft));
            if (bCopy) {
                res = ReadPacked(pChunk + nFill, &nOut);
                if (res == SZ_OK && nOut == 0)
                    res = SZ_ERROR_INPUT_EOF;
            } else {
                if (nInPos == nInSize) {
                    nInPos = 0;
                    nInSize = FOLDER_INPUT_SIZE;
                    res = ReadPacked(input.p, &nInSize);
                    if (res != SZ_OK)
                        break;
                }
                const ELzmaFinishMode finish = nOut == nLeft ? LZMA_FINISH_END : LZMA_FINISH_ANY;
                SizeT nIn = nInSize - nInPos;
                res = coder.Decode(pChunk + nFill, &nOut, input.p + nInPos, &nIn, finish, &status);
                nInPos += nIn;
                if (res == SZ_OK && nOut == 0 && nIn == 0)
                    res = SZ_ERROR_DATA;   // no input left, or a stream that goes nowhere
                if (res == SZ_OK && status == LZMA_STATUS_FINISHED_WITH_MARK && nOut < nLeft)
                    res = SZ_ERROR_DATA;   // ended before the block's size
            }
            nFill += nOut;
            nLeft -= nOut;
        }

        size_t nReady = nFill;
        if (bBcj) {
            const size_t nDone = static_cast<size_t>(z7_BranchConvSt_X86_Dec(pChunk, nFill, nBcjPc, &nBcjState)
                                                     - pChunk);
            nBcjPc += static_cast<UInt32>(nDone);
            // At the block's end the last bytes stay as they are, as the
            // whole-block filter leaves them.
            if (nLeft > 0 && res == SZ_OK) {
                nCarry = nFill - nDone;
                if (nCarry > sizeof(carry))
                    return SZ_ERROR_FAIL;
                std::memcpy(carry, pChunk + nDone, nCarry);
                nReady = nDone;
            } else if (res != SZ_OK) {
                nReady = nDone;
            }
        }
        Publish(nReady);
    }

    // Every byte is out: the stream must end here too.
    while (res == SZ_OK && !bCopy && !coder.Ended(status)) {
        if (nInPos == nInSize) {
            nInPos = 0;
            nInSize = FOLDER_INPUT_SIZE;
            RINOK(ReadPacked(input.p, &nInSize))
        }
        SizeT nOut = 0;
        SizeT nIn = nInSize - nInPos;
        res = coder.Decode(carry, &nOut, input.p + nInPos, &nIn, LZMA_FINISH_END, &status);
        nInPos += nIn;
        if (res == SZ_OK && nIn == 0 && !coder.Ended(status))
            res = SZ_ERROR_DATA;
    }
    return res;
}

SRes CFolderStream::DecodeWhole(UInt64 nUnpackSize)
{
    if (nUnpackSize > FOLDER_WHOLE_MAX || nUnpackSize > SIZE_MAX)
        return SZ_ERROR_MEM;
    const size_t nSize = static_cast<size_t>(nUnpackSize);
    const CWholeTurn turn([this] { return Stopping(); });
    if (!turn.Held())
        return SZ_ERROR_PROGRESS;
    CFileInStream archive;
    archive.file.handle = m_hArchive;   // stays ours: closed with this object
    archive.wres = 0;
    CLookToRead2 look;
    struct CBuffers
    {
        Byte* pLook = nullptr;
        Byte* pBlock = nullptr;
        ~CBuffers()
        {
            ISzAlloc_Free(&g_szHeapAlloc, pLook);
            ISzAlloc_Free(&g_szHeapAlloc, pBlock);
        }
    } buffers;
    const bool bLook = InitLookStream(&look, &archive);
    buffers.pLook = look.buf;
    if (!bLook)
        return SZ_ERROR_MEM;
    if (nSize > 0) {
        buffers.pBlock = static_cast<Byte*>(ISzAlloc_Alloc(&g_szHeapAlloc, nSize));
        if (!buffers.pBlock)
            return SZ_ERROR_MEM;
    }
    RINOK(SzAr_DecodeFolder(&m_pDb->db, m_nFolder, &look.vt, m_pDb->dataPos, buffers.pBlock, nSize,
                            &g_szHeapAlloc))
    for (size_t nPos = 0; nPos < nSize;) {
        Byte* pChunk = TakeFreeChunk();
        if (!pChunk)
            return SZ_ERROR_PROGRESS;
        const size_t nPart = std::min(FOLDER_CHUNK_SIZE, nSize - nPos);
        std::memcpy(pChunk, buffers.pBlock + nPos, nPart);
        Publish(nPart);
        nPos += nPart;
    }
    return SZ_OK;
}

bool CFolderStream::EarlierBlockFailed() const
{
    return m_pStopBelow->load() < m_nLane;
}

bool CFolderStream::Stopping()
{
    return m_chunks.Cancelled() || EarlierBlockFailed();
}

Byte* CFolderStream::TakeFreeChunk()
{
    m_nFilling = m_chunks.WaitForRoom([this] { return EarlierBlockFailed(); }, STOP_POLL_MS);
    return m_nFilling == ChunkQueue::NO_SLOT ? nullptr : m_pRing + m_nFilling * FOLDER_CHUNK_SIZE;
}

void CFolderStream::Publish(size_t nSize)
{
    m_chunks[m_nFilling] = nSize;
    m_chunks.Publish();
}

SRes CFolderStream::ReadPacked(Byte* pBuffer, size_t* pnSize)
{
    const DWORD nWanted = static_cast<DWORD>(std::min<UInt64>(*pnSize, m_nPackedLeft));
    DWORD nRead = 0;
    *pnSize = 0;
    if (nWanted > 0 && !::ReadFile(m_hArchive, pBuffer, nWanted, &nRead, nullptr))
        return SZ_ERROR_READ;
    m_nPackedLeft -= nRead;
    *pnSize = nRead;
    return SZ_OK;
}
