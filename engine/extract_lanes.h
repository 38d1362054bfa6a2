// extract_lanes.h: the unpacking of a staged archive's entries. Each solid
// block is a lane of its own: a decoder thread streams the block in
// (folder_stream.h), the lane's thread checks and writes its files, and a
// closing thread closes and reports them behind it. The lanes run at once,
// one per processor; progress and the outcome are those of an entry-by-entry
// run. Inside the engine only. Free of GUI headers.
#pragma once
#include <windows.h>
#include <vector>

#include "engine/extract.h"
#include "engine/extract_result.h"

extern "C" {
#include "7z.h"
}

class CInstallJournal;

static_assert(sizeof(wchar_t) == sizeof(UInt16), "entry names are copied as UTF-16 code units");

// An entry's block, for entries without data (directories, empty files).
constexpr UINT32 NO_BLOCK = 0xFFFFFFFF;

// The entries one thread unpacks, in archive order: the files of one solid
// block with the entries without data among and after them (those ahead of
// the first block's files go with that block). The lanes one after another
// hold every entry in archive order. An archive without data: one lane
// without a block.
struct CExtractLane
{
    UINT32 nFolder;                // the block, or NO_BLOCK
    std::vector<UINT32> entries;   // entry indices
};

// Entry nIndex's name (UTF-16, '/'-separated, terminated) in *pBuffer, which
// it lives in.
wchar_t* ReadEntryName(const CSzArEx* pDb, UInt32 nIndex, std::vector<UInt16>* pBuffer);

// Lanes from each entry's block (NO_BLOCK for none), in archive order.
std::vector<CExtractLane> PlanLanes(const UINT32* pFileToFolder, UINT32 nFiles);

// Unpacks every entry of pDb (the database of pJob's staged archive) below
// the job's folders, through pJournal, one block per processor at a time,
// the calling thread among them. Returns the first failure in archive
// order, or INSTALL_DONE, also when a stop ended the lanes early (bStop
// tells).
CExtractResult RunLanes(const ExtractJob* pJob, CInstallJournal* pJournal, const CSzArEx* pDb);
