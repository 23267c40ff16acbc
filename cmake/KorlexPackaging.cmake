# Release settings: hardening of the binaries, the release facts read from the Debian changelog,
# and the Debian package that CPack builds (cmake --build <dir> --target package).

# --- Hardening ----------------------------------------------------------------------------------
# What Debian builds its own packages with. Not in sanitized builds, whose run-time checks
# replace these and clash with _FORTIFY_SOURCE.
option(KORLEX_HARDENING "Build hardened binaries (stack protector, fortify, RELRO, PIE)" ON)
if(KORLEX_HARDENING AND NOT KORLEX_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-fstack-protector-strong)
    # _FORTIFY_SOURCE needs the optimiser.
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
    if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
        add_link_options(-Wl,-z,relro -Wl,-z,now)
    endif()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckPIESupported)
    check_pie_supported()
endif()

# --- Release facts ------------------------------------------------------------------------------
# The Debian changelog is where a release is written down; its newest entry must be the version of
# this project, and its date is the release date the AppStream metadata shows.
set(KORLEX_CHANGELOG ${CMAKE_SOURCE_DIR}/resources/linux/changelog)
file(STRINGS ${KORLEX_CHANGELOG} changelogHead LIMIT_COUNT 1)
file(STRINGS ${KORLEX_CHANGELOG} changelogTrailers REGEX "^ -- ")
list(GET changelogTrailers 0 changelogTrailer)
if(NOT changelogHead MATCHES "^korlex-tool \\(([^)]+)\\)")
    message(FATAL_ERROR "${KORLEX_CHANGELOG}: the first line names no version")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${KORLEX_CHANGELOG}: the newest entry is ${CMAKE_MATCH_1}, "
                        "the project is ${PROJECT_VERSION}")
endif()
if(NOT changelogTrailer MATCHES "  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ")
    message(FATAL_ERROR "${KORLEX_CHANGELOG}: no date in '${changelogTrailer}'")
endif()
set(releaseDay ${CMAKE_MATCH_1})
set(releaseYear ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} releaseMonth)
if(releaseMonth LESS 0)
    message(FATAL_ERROR "${KORLEX_CHANGELOG}: no month in '${changelogTrailer}'")
endif()
math(EXPR releaseMonth "${releaseMonth} + 1" OUTPUT_FORMAT DECIMAL)
if(releaseMonth LESS 10)
    set(releaseMonth "0${releaseMonth}")
endif()
set(KORLEX_RELEASE_DATE "${releaseYear}-${releaseMonth}-${releaseDay}")

set(KORLEX_HOMEPAGE "https://www.example.com" CACHE STRING "The project's home page")
set(KORLEX_SCREENSHOT_URL "https://www.example.com/korlex-tool/screenshots/" CACHE STRING
    "Where the screenshots of docs/guide/images are published (for the AppStream metadata)")

# korlex_gzip(<input> <output.gz> <target>): compresses at build time, in the default build.
function(korlex_gzip input output target)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output}
                -P ${CMAKE_SOURCE_DIR}/cmake/KorlexGzip.cmake
        DEPENDS ${input} ${CMAKE_SOURCE_DIR}/cmake/KorlexGzip.cmake
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# --- The Debian package -------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korlex-tool)
set(CPACK_PACKAGE_VENDOR "the korlex-tool developers")
set(CPACK_PACKAGE_CONTACT "the korlex-tool developers <korlex-tool@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for korlex e-cigarettes")
set(CPACK_PACKAGE_DESCRIPTION
"A desktop program for the korlex family of battery-powered e-cigarettes with
a small LCD and a USB port. It connects to a plugged-in device over USB HID
and shows what the device is, upgrades its firmware from an upgrade file
(also recovering a device left in its boot loader), reads and writes its
parameters, temperature and power curves and clock, and reads, edits and
writes the pictures shown on its LCD. Pictures and curves can be saved to a
user resource file and loaded again.

The package holds the window program (in English, Simplified Chinese and
Traditional Chinese); korlex-cli, the same device jobs from the command line
for scripts, batches and machines without a desktop (one device or every
plugged device at once, JSON output, documented exit statuses), with its
bash, zsh and fish completions; korlex-virtualbus, which serves virtual
devices for trying both programs without hardware; a udev rule that lets the
user at the desktop open the device without root, the desktop entry, AppStream
metadata, manual pages and a user guide in English and Simplified Chinese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KORLEX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help opens the guide with the desktop's handler for local files.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/resources/linux/postinst ${CMAKE_SOURCE_DIR}/resources/linux/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Install with DESTDIR and the real prefix, so that the udev rule finds udev's own folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/KorlexCPackOptions.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
"# Written by cmake/KorlexPackaging.cmake.
if(\"${KORLEX_SANITIZE}\")
    message(FATAL_ERROR \"This build is sanitized (KORLEX_SANITIZE=ON); package a build without it.\")
endif()
")
include(CPack)
