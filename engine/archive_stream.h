// archive_stream.h: how the engine reads a 7z archive with the LZMA SDK, for
// the extraction worker and whatever else decodes with the same settings.
#pragma once
extern "C" {
#include "7z.h"
#include "7zFile.h"
}

// Bytes the look-ahead stream reads from the archive file at a time.
constexpr size_t ARCHIVE_READ_BUFFER_SIZE = 1 << 18;

// Plain heap allocation (SzAlloc/SzFree) for the database, the decoder and
// the output cache; a request for 0 bytes gives null.
extern const ISzAlloc g_szHeapAlloc;

// Makes pLook the look-ahead stream, in exact mode (it reads only what the
// decoder asks for), over pArchive, whose file must be open. The buffer of
// ARCHIVE_READ_BUFFER_SIZE bytes comes from g_szHeapAlloc; the caller frees
// pLook->buf with ISzAlloc_Free. False when there is no memory for it.
bool InitLookStream(CLookToRead2* pLook, CFileInStream* pArchive);
