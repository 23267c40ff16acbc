# Collects the translated texts of the sources with lupdate, each in the context that the program
# looks it up in, into .ts files: new ones, or existing ones that lupdate merges them into.
#
#   cmake -DLUPDATE=<lupdate> -DSOURCE_DIR=<source root> -DWORK_DIR=<scratch folder>
#         -DTS_FILES=<file.ts>[,<file.ts>...] -P sourcetexts.cmake
#
# The sources are every top-level folder of the source root but tests, bench, tools, hidden
# folders and build folders. lupdate finds tr(), QCoreApplication::translate(), the QT_*_NOOP
# markers and the captions of the forms by itself. The program also translates through
# one-argument helpers with a fixed context, which lupdate cannot know. For each of them lupdate
# runs once more with the helper as its only tr function (-tr-function-alias) and every other
# translation function renamed out of the way, so that it finds exactly the helper's texts; the
# last run reads those as the captions of a form whose class is the helper's context.

cmake_minimum_required(VERSION 3.16)

foreach(var LUPDATE SOURCE_DIR WORK_DIR TS_FILES)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "sourcetexts.cmake: ${var} is not set")
    endif()
endforeach()
string(REPLACE "," ";" tsFiles "${TS_FILES}")

# helper function | context it translates in | class whose texts count (empty: any)
set(helpers
    "trMain|main|"
    "trWindow|MainWindow|"
    "trAbout|about|"
    "text|editor|BmpEditor"
)
set(translationFunctions
    QT_TR_N_NOOP QT_TRID_N_NOOP QT_TRANSLATE_N_NOOP QT_TRANSLATE_N_NOOP3 QT_TR_NOOP QT_TRID_NOOP
    QT_TRANSLATE_NOOP QT_TRANSLATE_NOOP3 QT_TR_NOOP_UTF8 QT_TRANSLATE_NOOP_UTF8
    QT_TRANSLATE_NOOP3_UTF8 findMessage qtTrId trUtf8 translate qsTr qsTrId qsTranslate)

file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
list(SORT entries)
set(folders "")
foreach(entry IN LISTS entries)
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/${entry}" OR EXISTS "${SOURCE_DIR}/${entry}/CMakeCache.txt"
       OR entry MATCHES "^(\\.|build)" OR entry MATCHES "^(tests|bench|tools)$")
        continue()
    endif()
    list(APPEND folders "${SOURCE_DIR}/${entry}")
endforeach()

string(ASCII 1 semicolon)
string(ASCII 2 leftBracket)
string(ASCII 3 rightBracket)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

set(forms "")
foreach(helper IN LISTS helpers)
    string(REPLACE "|" ";" helper "${helper}")
    list(GET helper 0 function)
    list(GET helper 1 context)
    list(GET helper 2 class)

    set(aliases "tr=${function}")
    foreach(other IN LISTS translationFunctions)
        string(APPEND aliases ",${other}=korlexUnused${other}")
    endforeach()
    set(found "${WORK_DIR}/${context}.ts")
    execute_process(
        COMMAND "${LUPDATE}" -silent -locations none -I "${SOURCE_DIR}" -extensions cpp,h
                -tr-function-alias "${aliases}" ${folders} -ts "${found}"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lupdate failed on the texts of ${function}():\n${output}")
    endif()

    # One CMake list item per context of the result. Semicolons and brackets would split or
    # join list items, so they stand in as control characters (which a .ts file never holds as
    # such) until the texts are written out.
    file(READ "${found}" ts)
    string(REPLACE ";" "${semicolon}" ts "${ts}")
    string(REPLACE "[" "${leftBracket}" ts "${ts}")
    string(REPLACE "]" "${rightBracket}" ts "${ts}")
    string(REPLACE "</context>" ";" contexts "${ts}")
    set(captions "")
    foreach(block IN LISTS contexts)
        if(class AND NOT block MATCHES "<name>${class}</name>")
            continue()
        endif()
        string(REGEX MATCHALL "<source>" starts "${block}")
        string(REGEX MATCHALL "<source>[^<]*</source>" sources "${block}")
        list(LENGTH starts startCount)
        list(LENGTH sources sourceCount)
        if(NOT startCount EQUAL sourceCount)
            message(FATAL_ERROR "a text of ${function}() holds a control character")
        endif()
        foreach(source IN LISTS sources)
            string(REGEX REPLACE "^<source>(.*)</source>$" "\\1" text "${source}")
            string(APPEND captions
                   "  <property name=\"text\"><string>${text}</string></property>\n")
        endforeach()
    endforeach()
    string(REPLACE "${semicolon}" ";" captions "${captions}")
    string(REPLACE "${leftBracket}" "[" captions "${captions}")
    string(REPLACE "${rightBracket}" "]" captions "${captions}")
    set(form "${WORK_DIR}/${context}.ui")
    file(WRITE "${form}" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n"
                         " <class>${context}</class>\n <widget class=\"QWidget\" name=\"texts\">\n"
                         "${captions} </widget>\n</ui>\n")
    list(APPEND forms "${form}")
endforeach()

execute_process(
    COMMAND "${LUPDATE}" -silent -locations none -I "${SOURCE_DIR}" -extensions cpp,h,ui
            ${folders} ${forms} -ts ${tsFiles}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lupdate failed: ${result}")
endif()
