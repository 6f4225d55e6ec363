# calvendra_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [MAIN <target>]
#                    [LABELS <labels...>] [ENVIRONMENT <VAR=value...>] [TIMEOUT <seconds>]
#                    [RESOURCE_LOCK <names...>])
#
# Builds one GoogleTest program and registers each of its tests with CTest. The tests are listed
# when CTest runs rather than at build time, so that programs which need a display or a database
# are only started where those exist. MAIN names a library that provides main(); GTest's own is
# the default. Tests that name the same RESOURCE_LOCK never run at the same time (window tests
# share one X display).
function(calvendra_add_test name)
    cmake_parse_arguments(ARG "" "MAIN;TIMEOUT" "SOURCES;LIBRARIES;LABELS;ENVIRONMENT;RESOURCE_LOCK"
                          ${ARGN})
    if(NOT ARG_MAIN)
        set(ARG_MAIN GTest::gtest_main)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(extra_properties "")
    if(ARG_RESOURCE_LOCK)
        set(extra_properties RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} ${ARG_MAIN} GTest::gtest GTest::gmock)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        NO_PRETTY_VALUES
        DISCOVERY_TIMEOUT 60
        PROPERTIES
            LABELS "${ARG_LABELS}"
            TIMEOUT ${ARG_TIMEOUT}
            ENVIRONMENT "${ARG_ENVIRONMENT}"
            ${extra_properties})
endfunction()
