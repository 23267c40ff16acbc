# Installs the build into a scratch DESTDIR and checks that the program, the udev rule, the
# desktop entry and the icon land where a desktop expects them.
set(destdir "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${destdir}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${destdir}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
file(GLOB_RECURSE rules "${destdir}/*70-korlex-tool.rules")
list(FILTER rules INCLUDE REGEX "/rules\\.d/")
foreach(expected "${destdir}/usr/bin/korlex-tool"
                 "${destdir}/usr/share/applications/korlex-tool.desktop"
                 "${destdir}/usr/share/icons/hicolor/256x256/apps/korlex-tool.png")
    if(NOT EXISTS "${expected}")
        message(FATAL_ERROR "missing after install: ${expected}")
    endif()
endforeach()
if(NOT rules)
    message(FATAL_ERROR "the udev rule was not installed into a rules.d folder")
endif()
file(READ "${rules}" rule)
if(NOT rule MATCHES "ATTRS\\{idVendor\\}==\"0483\"" OR NOT rule MATCHES "TAG\\+=\"uaccess\"")
    message(FATAL_ERROR "the installed udev rule does not grant access to the device")
endif()
file(REMOVE_RECURSE "${destdir}")
