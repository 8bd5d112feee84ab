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
        quavel_allow_widgets(${target})
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

# The layering: only the widget layers link Qt Widgets. The libraries allowed are named here, so that a
# subsystem library cannot opt in; a program that shows or paints widgets (a widget test program, its helper
# process, a benchmark of a screen) is marked with quavel_allow_widgets.
set(QUAVEL_WIDGET_LIBRARIES "^(quavel_ui|quavel_ui_web|quavel_.+_views|quavel_shell)$")

# quavel_allow_widgets(<program>...)
function(quavel_allow_widgets)
    foreach(target IN LISTS ARGN)
        get_target_property(type ${target} TYPE)
        if(NOT type STREQUAL "EXECUTABLE")
            message(FATAL_ERROR "quavel_allow_widgets: ${target} is not a program; the libraries that may link "
                "Qt Widgets are named by QUAVEL_WIDGET_LIBRARIES.")
        endif()
        set_property(TARGET ${target} PROPERTY QUAVEL_WIDGETS ON)
    endforeach()
endfunction()

# Sets <out> to the chain by which <target> reaches Qt Widgets ("a -> b -> Qt6::Widgets"), or to "".
# A target's own links (LINK_LIBRARIES) and what each dependency passes on (INTERFACE_LINK_LIBRARIES,
# which holds a static library's private links as $<LINK_ONLY:...>) are followed through imported
# targets too, so Widgets arriving through Qt Print Support or Qt WebEngine Widgets counts. An item
# inside a generator expression counts whatever its condition: the check errs on the strict side.
function(_quavel_widgets_path target out)
    string(MAKE_C_IDENTIFIER "${target}" key)
    get_property(known GLOBAL PROPERTY _quavel_widgets_${key} SET)
    if(known)
        get_property(path GLOBAL PROPERTY _quavel_widgets_${key})
        set(${out} "${path}" PARENT_SCOPE)
        return()
    endif()
    # Recorded before the walk, so that a cycle among imported targets ends.
    set_property(GLOBAL PROPERTY _quavel_widgets_${key} "")
    get_target_property(name ${target} ALIASED_TARGET)
    if(NOT name)
        set(name ${target})
    endif()
    set(path "")
    if(name STREQUAL "Qt6::Widgets")
        set(path "${target}")
    else()
        set(links "")
        get_target_property(imported ${name} IMPORTED)
        if(NOT imported)
            get_target_property(own ${name} LINK_LIBRARIES)
            if(own)
                list(APPEND links ${own})
            endif()
        endif()
        get_target_property(passed ${name} INTERFACE_LINK_LIBRARIES)
        if(passed)
            list(APPEND links ${passed})
        endif()
        foreach(item IN LISTS links)
            # A library named by its file or linker flag rather than by its target.
            if(item MATCHES "Qt6Widgets")
                set(path "${target} -> ${item}")
                break()
            endif()
            string(REGEX MATCHALL "[A-Za-z0-9_.+-]+(::[A-Za-z0-9_.+-]+)*" tokens "${item}")
            foreach(token IN LISTS tokens)
                if(TARGET ${token} AND NOT token STREQUAL name)
                    _quavel_widgets_path(${token} sub)
                    if(sub)
                        set(path "${target} -> ${sub}")
                        break()
                    endif()
                endif()
            endforeach()
            if(path)
                break()
            endif()
        endforeach()
    endif()
    set_property(GLOBAL PROPERTY _quavel_widgets_${key} "${path}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

function(_quavel_targets_in dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        _quavel_targets_in(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# quavel_check_widgets(): run once every target is defined; stops the configure at the first library or
# program that reaches Qt Widgets without being allowed to, naming the way it arrives, and makes the
# compile of every such target refuse a Qt Widgets or Qt Print Support header (cmake/no-widgets).
function(quavel_check_widgets)
    # The walk must see through Qt's own targets (Qt Print Support links Widgets) and through ours: were
    # Qt to describe its links another way, the check would pass everything without a word.
    foreach(known Qt6::PrintSupport quavel_ui)
        if(TARGET ${known})
            _quavel_widgets_path(${known} path)
            if(NOT path)
                message(FATAL_ERROR "The Qt Widgets check no longer finds Widgets behind ${known}: fix "
                    "_quavel_widgets_path.")
            endif()
        endif()
    endforeach()
    _quavel_targets_in(${PROJECT_SOURCE_DIR} targets)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|INTERFACE_LIBRARY|EXECUTABLE)$")
            continue()
        endif()
        get_target_property(allowed ${target} QUAVEL_WIDGETS)
        if(target MATCHES "${QUAVEL_WIDGET_LIBRARIES}" OR (allowed AND type STREQUAL "EXECUTABLE"))
            continue()
        endif()
        _quavel_widgets_path(${target} path)
        if(path)
            message(FATAL_ERROR "${target} links Qt Widgets (${path}); only quavel_ui, quavel_ui_web, the "
                "*_views libraries, the shell, the application and the widget test programs may.")
        endif()
        # Linking is not all: Qt Gui's include path holds Qt's whole header folder, so a source could
        # still include a widget header. Headers of the same names as the Widgets and Print Support
        # modules' own "global" ones (which every header of those modules includes) stop such a compile.
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            target_include_directories(${target} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/no-widgets)
        endif()
    endforeach()
endfunction()
