# Builds one planted target afresh (its object removed first, so that an object left by an earlier
# build, made before a header it depends on appeared, cannot answer for it) and prints what the build
# printed, for the test's expected expression.
# ccache is bypassed too: in its direct mode a header that appears in an earlier include folder goes
# unnoticed.
file(REMOVE ${OBJECTS})
set(ENV{CCACHE_DISABLE} 1)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE result)
message("${out}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the build of ${TARGET} failed")
endif()
