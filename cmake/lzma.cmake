# The LZMA SDK's ANSI-C 7z decoder, compiled from the sources that
# scripts/setup.sh takes from Debian's 7zip source package. Nothing of it is
# kept in this repository.
set(VL_LZMA_C ${VL_LZMA_DIR}/C)
if(NOT EXISTS ${VL_LZMA_C}/7zDec.c)
    message(FATAL_ERROR "LZMA SDK sources not found in ${VL_LZMA_DIR}; run scripts/setup.sh")
endif()
add_library(lzma_sdk STATIC
    ${VL_LZMA_C}/7zAlloc.c ${VL_LZMA_C}/7zArcIn.c ${VL_LZMA_C}/7zBuf.c ${VL_LZMA_C}/7zBuf2.c
    ${VL_LZMA_C}/7zCrc.c ${VL_LZMA_C}/7zCrcOpt.c ${VL_LZMA_C}/7zDec.c ${VL_LZMA_C}/7zFile.c
    ${VL_LZMA_C}/7zStream.c ${VL_LZMA_C}/Bcj2.c ${VL_LZMA_C}/Bra.c ${VL_LZMA_C}/Bra86.c
    ${VL_LZMA_C}/BraIA64.c ${VL_LZMA_C}/CpuArch.c ${VL_LZMA_C}/Delta.c ${VL_LZMA_C}/Lzma2Dec.c
    ${VL_LZMA_C}/LzmaDec.c ${VL_LZMA_C}/Ppmd7.c ${VL_LZMA_C}/Ppmd7Dec.c)
target_include_directories(lzma_sdk SYSTEM PUBLIC ${VL_LZMA_C})
# Speed matters here even in a size-optimised build: this is the unpacking loop.
target_compile_options(lzma_sdk PRIVATE -O2 -w)
target_compile_definitions(lzma_sdk PRIVATE Z7_PPMD_SUPPORT Z7_EXTRACT_ONLY)
# Reading the archive's headers and handing blocks to the decoders is not
# where unpacking spends its time: those sources are built for size, which
# keeps about 4 KB out of the installer. The decoders and CRC stay at -O2.
set_source_files_properties(${VL_LZMA_C}/7zArcIn.c ${VL_LZMA_C}/7zDec.c ${VL_LZMA_C}/7zStream.c
                            ${VL_LZMA_C}/7zBuf.c ${VL_LZMA_C}/7zBuf2.c ${VL_LZMA_C}/7zFile.c ${VL_LZMA_C}/7zAlloc.c
                            PROPERTIES COMPILE_OPTIONS -Os)
