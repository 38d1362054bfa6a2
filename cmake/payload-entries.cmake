# The longest entry path of a payload, in UTF-16 units as the installer joins
# it to the install folder: the first page refuses a folder too long for it.

# vl_utf16_length(<text> <out-var>): UTF-16 units of a UTF-8 text (string(LENGTH)
# counts bytes): a lead byte counts 1, a four-byte sequence 2, a continuation 0.
function(vl_utf16_length text out)
    string(HEX "${text}" hex)
    string(REGEX MATCHALL ".." bytes "${hex}")
    set(n 0)
    foreach(b IN LISTS bytes)
        if(b MATCHES "^[89ab]")
            continue()
        elseif(b MATCHES "^f")
            math(EXPR n "${n} + 2")
        else()
            math(EXPR n "${n} + 1")
        endif()
    endforeach()
    set(${out} ${n} PARENT_SCOPE)
endfunction()

# vl_longest_of(<out-var> <path>...): the largest UTF-16 length among the paths.
function(vl_longest_of out)
    set(longest 0)
    foreach(p IN LISTS ARGN)
        vl_utf16_length("${p}" n)
        if(n GREATER longest)
            set(longest ${n})
        endif()
    endforeach()
    set(${out} ${longest} PARENT_SCOPE)
endfunction()

# vl_longest_entry_in_dir(<folder> <out-var>): over the folder's tree and the
# two programs that join it at the top.
function(vl_longest_entry_in_dir dir out)
    file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${dir} ${dir}/*)
    vl_longest_of(longest Vellomar.exe VLUninstall.exe ${entries})
    set(${out} ${longest} PARENT_SCOPE)
endfunction()

# vl_longest_entry_in_archive(<7z> <7-Zip> <out-var>): over the archive's listing.
function(vl_longest_entry_in_archive archive sevenzip out)
    execute_process(COMMAND ${sevenzip} l -slt -sccUTF-8 ${archive}
                    OUTPUT_VARIABLE listing RESULT_VARIABLE rc ERROR_QUIET)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "cannot list ${archive}")
    endif()
    # Entries follow the "----------" line; the archive's own Path comes before it.
    string(FIND "${listing}" "\n----------" start)
    string(SUBSTRING "${listing}" ${start} -1 listing)
    string(REGEX MATCHALL "\nPath = [^\n]*" lines "${listing}")
    set(paths "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^\nPath = " "" p "${line}")
        list(APPEND paths "${p}")
    endforeach()
    vl_longest_of(longest ${paths})
    set(${out} ${longest} PARENT_SCOPE)
endfunction()
