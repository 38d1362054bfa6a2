# What the three programs carry to look like the product in Explorer: the
# product icon (generated from the product picture) and version information.
# Included by payload/ and res/ (each directory needs the variables); the
# icon is made again only when the picture changed.

set(VL_FILE_VERSION "1.0.0.0" CACHE STRING "file version of the three programs (up to four numbers, each 0-65535)")

# The build's own version, as four numbers for the binary fields.
string(REGEX MATCH "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$" _ok "${VL_FILE_VERSION}")
if(NOT _ok)
    message(FATAL_ERROR "VL_FILE_VERSION must be up to four numbers separated by dots, not '${VL_FILE_VERSION}'")
endif()
string(REPLACE "." ";" _parts "${VL_FILE_VERSION}")
foreach(_p ${_parts})
    if(_p GREATER 65535)
        message(FATAL_ERROR "VL_FILE_VERSION: ${_p} is over 65535")
    endif()
endforeach()
list(LENGTH _parts _n)
while(_n LESS 4)
    list(APPEND _parts 0)
    math(EXPR _n "${_n} + 1")
endwhile()
string(REPLACE ";" "," VL_FILE_VERSION_BINARY "${_parts}")
string(REPLACE ";" "." VL_FILE_VERSION_TEXT "${_parts}")

# The product icon: the picture of the first page without its caption,
# squared, at the sizes Windows asks for at 100 to 200 % (small icons 16-32,
# large 32-64, the largest view 256). Every image is stored as a 32-bit PNG,
# which Windows reads in icons since Vista and which takes a fraction of the
# bytes of a bitmap. Each size is reduced from the picture's smallest drawing
# that is at least as large (the 256-pixel one from the 200 % drawing, never an
# enlargement), and the 256-pixel one keeps 128 colours, which no eye tells
# apart at that size.
# Made when configuring, so that every resource script that includes it
# (the installer's test and benchmark builds too) finds it in place.
set(VL_PRODUCT_PICTURE ${CMAKE_SOURCE_DIR}/res/png/1214.png)
set(VL_PRODUCT_PICTURE_200 ${CMAKE_SOURCE_DIR}/res/png/200/1214.png)
set(VL_PRODUCT_ICON ${CMAKE_BINARY_DIR}/generated/vellomar.ico)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VL_PRODUCT_PICTURE} ${VL_PRODUCT_PICTURE_200}
             ${CMAKE_CURRENT_LIST_FILE})
if(NOT EXISTS ${VL_PRODUCT_ICON} OR ${VL_PRODUCT_PICTURE} IS_NEWER_THAN ${VL_PRODUCT_ICON}
   OR ${VL_PRODUCT_PICTURE_200} IS_NEWER_THAN ${VL_PRODUCT_ICON}
   OR ${CMAKE_CURRENT_LIST_FILE} IS_NEWER_THAN ${VL_PRODUCT_ICON})
    find_program(VL_CONVERT NAMES convert-im6.q16 convert REQUIRED)
    find_program(VL_OPTIPNG optipng REQUIRED)
    find_program(VL_ICOTOOL icotool REQUIRED)
    set(_dir ${CMAKE_BINARY_DIR}/generated/icon)
    file(MAKE_DIRECTORY ${_dir})
    set(_frames)
    foreach(_size 16 20 24 32 40 48 64 256)
        # The notebook and pen: 143 x 120 at (40, 12) of the 100 % drawing.
        set(_picture ${VL_PRODUCT_PICTURE})
        set(_square 144x144)
        set(_crop 143x120+40+12)
        set(_colours)
        if(_size GREATER 144)
            set(_picture ${VL_PRODUCT_PICTURE_200})
            set(_square 288x288)
            set(_crop 286x240+80+24)
            set(_colours -dither None -colors 128)
        endif()
        set(_png ${_dir}/${_size}.png)
        execute_process(
            COMMAND ${VL_CONVERT} ${_picture} -crop ${_crop} +repage
                    -background none -gravity center -extent ${_square} -resize ${_size}x${_size}
                    ${_colours} -strip -define png:exclude-chunks=date,time PNG32:${_png}
            RESULT_VARIABLE rc)
        if(rc EQUAL 0)
            # -nc -nb: stay 32-bit RGBA, as icons want.
            execute_process(COMMAND ${VL_OPTIPNG} -quiet -o7 -nc -nb -strip all ${_png} RESULT_VARIABLE rc)
        endif()
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "could not make the ${_size}-pixel product icon image (${rc})")
        endif()
        list(APPEND _frames -r ${_png})
    endforeach()
    execute_process(COMMAND ${VL_ICOTOOL} -c -o ${VL_PRODUCT_ICON} ${_frames} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "icotool could not make the product icon (${rc})")
    endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/app-ver-code.cmake)

# vl_product_rc(<out.rc> <file name> <description> <version code>): the icon
# and version resources of one program.
function(vl_product_rc out file_name description ver_code)
    set(VL_RC_FILE_NAME "${file_name}")
    get_filename_component(VL_RC_INTERNAL_NAME "${file_name}" NAME_WE)
    set(VL_RC_DESCRIPTION "${description}")
    set(VL_RC_VER_CODE "${ver_code}")
    configure_file(${CMAKE_SOURCE_DIR}/res/version.rc.in "${out}" @ONLY)
    # windres's dependencies are not scanned: a new icon must still rebuild.
    set_source_files_properties("${out}" PROPERTIES OBJECT_DEPENDS "${VL_PRODUCT_ICON}")
endfunction()
