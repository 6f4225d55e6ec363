# calvendra_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [MAIN <target>]
#                    [LABELS <labels...>] [ENVIRONMENT <VAR=value...>] [TIMEOUT <seconds>]
#                    [RESOURCE_LOCK <names...>])
#
# Builds one GoogleTest program and registers each of its tests with CTest. The tests are listed
# when CTest runs rather than at build time, so that programs which need a display or a database
# are only started where those exist. MAIN names a library that provides main(); GTest's own is
# the default. Tests that name the same RESOURCE_LOCK never run at the same time.
function(calvendra_add_test name)
    cmake_parse_arguments(ARG "" "MAIN;TIMEOUT" "SOURCES;LIBRARIES;LABELS;ENVIRONMENT;RESOURCE_LOCK"
                          ${ARGN})
    if(NOT ARG_MAIN)
        set(ARG_MAIN GTest::gtest_main)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    # gtest_discover_tests flattens the values of its PROPERTIES, so a list (two labels) would
    # come apart into property names. The list-valued properties are therefore set on the
    # discovered tests by a file of their own, which CTest reads after the list of tests.
    set(list_properties "")
    foreach(property LABELS ENVIRONMENT RESOURCE_LOCK)
        if(ARG_${property})
            string(APPEND list_properties " ${property} [==[${ARG_${property}}]==]")
        endif()
    endforeach()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} ${ARG_MAIN} GTest::gtest GTest::gmock)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        NO_PRETTY_VALUES
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    if(list_properties)
        set(properties_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
        file(WRITE "${properties_file}"
             "if(${name}_TESTS)\n"
             "    set_tests_properties(\${${name}_TESTS} PROPERTIES${list_properties})\n"
             "endif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${properties_file}")
    endif()
endfunction()
