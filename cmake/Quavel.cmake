# Helpers shared by every subsystem.
include(GoogleTest)

# quavel_library(<target> DEPS <libs...> [PRIVATE_DEPS <libs...>] [DIRS <subfolders...>])
# One static library per folder; sources are every .cpp/.h in the folder (and the DIRS subfolders).
# DEPS are what the library's headers include (linked PUBLIC, so a user of the headers compiles);
# PRIVATE_DEPS are what only its sources use. A static library still passes the private ones on to the
# link of the programs that use it, but not their include folders or definitions.
function(quavel_library target)
    cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS;DIRS" ${ARGN})
    set(globs "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    foreach(dir IN LISTS ARG_DIRS)
        list(APPEND globs "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${globs})
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# quavel_tests(<subsystem> [UI] [SERIAL] [NAME <program>] DEPS <libs...>)
# One GoogleTest program per test folder (named test_<subsystem>, or test_<program> when a subsystem has
# several folders); every test carries the subsystem's label. The test discovery flattens list-valued
# properties, so a test gets one label and no environment: the test main selects the offscreen platform
# (and the web engine's sandbox setting) itself.
# SERIAL: the program's tests run alone, for tests that bound the processor time of the GUI thread
# (other tests running beside them on shared cores inflate it several times).
function(quavel_tests subsystem)
    cmake_parse_arguments(ARG "UI;SERIAL" "NAME" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    set(target test_${subsystem})
    if(ARG_NAME)
        set(target test_${ARG_NAME})
    endif()
    add_executable(${target} ${sources} ${PROJECT_SOURCE_DIR}/tests/common/TestMain.cpp)
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} quavel_test_support GTest::gtest GTest::gmock)
    if(ARG_UI)
        target_compile_definitions(${target} PRIVATE QUAVEL_TEST_WIDGETS=1)
        target_link_libraries(${target} PRIVATE Qt6::Widgets)
    endif()
    set(serial FALSE)
    if(ARG_SERIAL)
        set(serial TRUE)
    endif()
    gtest_discover_tests(${target}
        DISCOVERY_MODE PRE_TEST
        NO_PRETTY_VALUES NO_PRETTY_TYPES
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${subsystem}" RUN_SERIAL ${serial}
        TEST_PREFIX "${subsystem}.")
endfunction()
