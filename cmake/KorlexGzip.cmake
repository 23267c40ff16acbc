# cmake -DINPUT=<file> -DOUTPUT=<file.gz> -P KorlexGzip.cmake
# Compresses as Debian wants documentation compressed: best compression, no name or time stamp,
# so that the same input always gives the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
get_filename_component(outputDir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${outputDir})
execute_process(COMMAND ${GZIP_PROGRAM} -9nc INPUT_FILE ${INPUT} OUTPUT_FILE ${OUTPUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT})
    message(FATAL_ERROR "gzip failed on ${INPUT}: ${result}")
endif()
