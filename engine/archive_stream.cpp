#include "engine/archive_stream.h"

extern "C" {
#include "7zAlloc.h"
}

const ISzAlloc g_szHeapAlloc = {SzAlloc, SzFree};

bool InitLookStream(CLookToRead2* pLook, CFileInStream* pArchive)
{
    FileInStream_CreateVTable(pArchive);
    LookToRead2_CreateVTable(pLook, False);
    pLook->buf = static_cast<Byte*>(ISzAlloc_Alloc(&g_szHeapAlloc, ARCHIVE_READ_BUFFER_SIZE));
    pLook->bufSize = ARCHIVE_READ_BUFFER_SIZE;
    pLook->realStream = &pArchive->vt;
    LookToRead2_INIT(pLook)
    return pLook->buf != nullptr;
}
