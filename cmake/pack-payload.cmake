# Packs the default payload (run with cmake -P; see payload/CMakeLists.txt).
# Two runs of 7-Zip: the second adds to the archive, which puts the data files
# into a solid block of their own instead of repacking the first.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${PROGRAMS} DESTINATION ${STAGE})
file(COPY ${FILES}/ DESTINATION ${STAGE})
file(REMOVE ${OUT})

set(methods -t7z -m0=BCJ -m1=LZMA:d=4m -ms=on -mtc=off -mta=off -bd -bso0 -bsp0)
execute_process(COMMAND ${SEVENZIP} a ${methods} ${OUT} Vellomar.exe VLUninstall.exe
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "7-Zip failed to pack the programs (${rc})")
endif()
execute_process(COMMAND ${SEVENZIP} a ${methods} ${OUT} config resource
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "7-Zip failed to pack the data files (${rc})")
endif()
