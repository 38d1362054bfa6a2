// folder_stream.h: one solid block of a 7z archive, decoded as a stream. A
// decoder thread of its own reads the block's packed bytes through its own
// handle on the archive and fills a small ring of chunks; the caller takes
// the unpacked bytes in order with Read while the next chunks are decoded.
//
//   CFolderStream stream;
//   stream.Start(pDb, nFolder, strArchive, &nStopBelow, nLane);
//   while (...) stream.Read(&p, &n, nWanted);   // SZ_OK: n > 0 bytes at p
//   stream.Finish();                             // every byte read: block CRC
//
// COPY, LZMA and LZMA2, each alone or behind the x86 branch filter, stream:
// memory is the coder's dictionary, the ring and one input buffer, whatever
// the block's size. Any other coder chain (PPMd, BCJ2, Delta, ARM...) is
// decoded whole by the SDK into a buffer of the block's unpacked size and then
// handed out through the same ring; such blocks are decoded one at a time
// across all streams, and one past FOLDER_WHOLE_MAX fails with SZ_ERROR_MEM
// without asking for the memory (the installation reports it as code 9, like
// any other decoding failure). Free of GUI headers.
#pragma once
#include <windows.h>
#include <atomic>
#include <string>

#include "engine/owners.h"
#include "engine/slot_queue.h"

extern "C" {
#include "7z.h"
}

// Unpacked bytes per chunk of the ring, and chunks in it: the decoder runs
// this far ahead of the files being written.
constexpr size_t FOLDER_CHUNK_SIZE = 1 << 20;
constexpr size_t FOLDER_CHUNK_COUNT = 4;

// Packed bytes read from the archive at a time.
constexpr size_t FOLDER_INPUT_SIZE = 1 << 18;

// The largest block decoded whole. A damaged size may claim any number; on a
// 64-bit system nothing else would stop it before the allocation.
constexpr UInt64 FOLDER_WHOLE_MAX = UInt64{1} << 30;

// Every thread of the unpacking (worker, lanes, decoders, closers) runs below
// the page's thread: on a machine with fewer cores than busy threads, the
// thread the user talks to must not wait for the writing to end.
constexpr int WORKER_THREAD_PRIORITY = THREAD_PRIORITY_BELOW_NORMAL;

// _beginthreadex at WORKER_THREAD_PRIORITY; null when no thread started.
HANDLE StartWorkerThread(unsigned(__stdcall* pProc)(void*), void* pParam);

// True when the block's coders are streamed here (see above); false for
// everything the SDK's whole-block path decodes.
bool IsStreamedFolder(const CSzFolder& folder);

class CFolderStream
{
public:
    CFolderStream();
    ~CFolderStream();   // cancels the decoder and waits for it
    CFolderStream(const CFolderStream&) = delete;
    CFolderStream& operator=(const CFolderStream&) = delete;

    // Starts decoding block nFolder of pDb (which must outlive this object),
    // reading strArchive. The decoder gives up, as on an error, once
    // *pStopBelow is lower than nLane: a block before it has failed.
    SRes Start(const CSzArEx* pDb, UInt32 nFolder, const std::wstring& strArchive, const std::atomic<LONG>* pStopBelow,
               LONG nLane);

    // The next at most nMax unpacked bytes (nMax > 0): SZ_OK with *pnSize > 0,
    // valid until the next call; otherwise the decoder's error (SZ_ERROR_DATA
    // also when the block ends early).
    SRes Read(const Byte** ppData, size_t* pnSize, size_t nMax);

    // After the block's last byte was read: waits for the decoder's end; its
    // error, or SZ_ERROR_CRC when the block's stored CRC does not match.
    SRes Finish();

private:
    static unsigned __stdcall DecoderThread(void* pParam);
    SRes Decode();
    SRes DecodeStreamed(const CSzFolder& folder, const Byte* pProps, UInt64 nUnpackSize);
    SRes DecodeWhole(UInt64 nUnpackSize);
    bool EarlierBlockFailed() const;
    bool Stopping();                    // cancelled, or an earlier block failed
    Byte* TakeFreeChunk();              // null when stopping
    void Publish(size_t nSize);         // the chunk TakeFreeChunk gave
    SRes ReadPacked(Byte* pBuffer, size_t* pnSize);

    const CSzArEx* m_pDb = nullptr;     // not owned
    UInt32 m_nFolder = 0;
    const std::atomic<LONG>* m_pStopBelow = nullptr;   // not owned
    LONG m_nLane = 0;
    HANDLE m_hArchive = INVALID_HANDLE_VALUE;      // the decoder's own handle
    UInt64 m_nPackedLeft = 0;
    Byte* m_pRing = nullptr;            // FOLDER_CHUNK_COUNT chunks
    SRes m_nResult = SZ_OK;             // the decoder's, set before it ends the queue
    size_t m_nFilling = 0;              // the decoder's chunk being filled

    // The ring's chunks by their sizes, from the decoder to the reader.
    using ChunkQueue = CSlotQueue<size_t, FOLDER_CHUNK_COUNT>;
    ChunkQueue m_chunks;
    CThreadHandle m_thread;             // the decoder; after what it uses

    // The reader's side.
    size_t m_nHeld = ChunkQueue::NO_SLOT;   // the chunk being read
    size_t m_nReadPos = 0;
    bool m_bBlockCrc = false;           // the block stores a CRC of its own
    UInt32 m_nCrc = 0;                  // of everything read, then
};
