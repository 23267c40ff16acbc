# Installs the build into a scratch DESTDIR and checks that the program and its desktop files
# land where a desktop expects them: with the prefix /usr the udev rule goes into udev's own
# folder, with a prefix in a home folder it stays under that prefix.
set(destdir "${BUILD_DIR}/install-check")

function(install_to prefix)
    file(REMOVE_RECURSE "${destdir}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${destdir}
                            ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake --install --prefix ${prefix} failed: ${result}")
    endif()
endfunction()

function(expect_files)
    foreach(expected ${ARGN})
        if(NOT EXISTS "${destdir}${expected}")
            message(FATAL_ERROR "missing after install: ${expected}")
        endif()
    endforeach()
endfunction()

install_to(/usr)
expect_files(/usr/bin/korlex-tool
             /usr/share/applications/org.korlex.KorlexTool.desktop
             /usr/share/metainfo/org.korlex.KorlexTool.metainfo.xml
             /usr/share/icons/hicolor/256x256/apps/org.korlex.KorlexTool.png
             /usr/share/man/man1/korlex-tool.1.gz
             /usr/share/doc/korlex-tool/copyright
             /usr/share/doc/korlex-tool/changelog.gz
             /usr/share/korlex-tool/guide/en/index.html
             /usr/share/korlex-tool/guide/zh_CN/index.html
             # The command-line programs, their pages and the shell completions.
             /usr/bin/korlex-cli
             /usr/bin/korlex-virtualbus
             /usr/share/man/man1/korlex-cli.1.gz
             /usr/share/man/man1/korlex-virtualbus.1.gz
             /usr/share/bash-completion/completions/korlex-cli
             /usr/share/zsh/vendor-completions/_korlex-cli
             /usr/share/fish/vendor_completions.d/korlex-cli.fish)
file(GLOB_RECURSE rules "${destdir}/*70-korlex-tool.rules")
if(NOT rules MATCHES "^${destdir}(/usr)?/lib/udev/rules\\.d/70-korlex-tool\\.rules$")
    message(FATAL_ERROR "the udev rule is not in udev's folder: ${rules}")
endif()
file(READ "${rules}" rule)
if(NOT rule MATCHES "ATTRS\\{idVendor\\}==\"0483\"" OR NOT rule MATCHES "TAG\\+=\"uaccess\"")
    message(FATAL_ERROR "the installed udev rule does not grant access to the device")
endif()

install_to(/home/user/.local)
expect_files(/home/user/.local/bin/korlex-tool
             /home/user/.local/lib/udev/rules.d/70-korlex-tool.rules
             /home/user/.local/share/korlex-tool/guide/en/index.html)
file(GLOB_RECURSE outside LIST_DIRECTORIES false RELATIVE "${destdir}" "${destdir}/*")
list(FILTER outside EXCLUDE REGEX "^home/user/\\.local/")
if(outside)
    message(FATAL_ERROR "installed outside the prefix: ${outside}")
endif()
file(REMOVE_RECURSE "${destdir}")
