# calvendra_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [MAIN <target>]
#                    [LABELS <labels...>] [ENVIRONMENT <VAR=value...>] [TIMEOUT <seconds>])
#
# Builds one GoogleTest program and registers each of its tests with CTest. The tests are listed
# when CTest runs rather than at build time, so that programs which need a display or a database
# are only started where those exist. MAIN names a library that provides main(); GTest's own is
# the default.
function(calvendra_add_test name)
    cmake_parse_arguments(ARG "" "MAIN;TIMEOUT" "SOURCES;LIBRARIES;LABELS;ENVIRONMENT" ${ARGN})
    if(NOT ARG_MAIN)
        set(ARG_MAIN GTest::gtest_main)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
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
            ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()
