# Signs one program in place with an Authenticode SHA-256 signature (run with
# cmake -P; scripts/build.sh and pack-payload.cmake call it).
#   FILE           the program
#   SIGNTOOL       osslsigncode
#   CERT           PKCS#12 file with the key and its certificate chain
#   PASSWORD_FILE  optional: file holding the PKCS#12 password
#   TIMESTAMP      optional: RFC 3161 time-stamping URL
#   DESCRIPTION    the program's name in the elevation prompt
#   KEEP_SIGNED    ON: a program that carries a signature already keeps it
cmake_minimum_required(VERSION 3.20)
if(KEEP_SIGNED)
    execute_process(COMMAND ${SIGNTOOL} extract-signature -in ${FILE} -out ${FILE}.sig
                    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
    file(REMOVE ${FILE}.sig)
    if(rc EQUAL 0)
        message(STATUS "${FILE} keeps its own signature")
        return()
    endif()
endif()
set(args sign -pkcs12 ${CERT} -h sha256 -n ${DESCRIPTION})
if(PASSWORD_FILE)
    list(APPEND args -readpass ${PASSWORD_FILE})
endif()
if(TIMESTAMP)
    list(APPEND args -ts ${TIMESTAMP})
endif()
file(REMOVE ${FILE}.signed)
execute_process(COMMAND ${SIGNTOOL} ${args} -in ${FILE} -out ${FILE}.signed
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    file(REMOVE ${FILE}.signed)
    message(FATAL_ERROR "signing ${FILE} failed:\n${out}")
endif()
file(RENAME ${FILE}.signed ${FILE})
