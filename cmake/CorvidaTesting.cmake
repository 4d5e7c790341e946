# corvida_add_test(<name> LABELS <label>... [SERIAL] SOURCES <file>... [LIBRARIES <target>...])
#
# Adds one GoogleTest executable, links it with the test-support library and registers each
# of its tests with CTest under the given labels (unit, e2e, gui). SERIAL tests run alone: they work
# in real time against a peer on another thread, which busy-waiting neighbours would starve.
find_package(GTest REQUIRED)
include(GoogleTest)

function(corvida_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "SERIAL" "" "LABELS;SOURCES;LIBRARIES")
    if(NOT arg_LABELS)
        message(FATAL_ERROR "corvida_add_test(${name}): LABELS is required")
    endif()
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE corvida_test_support ${arg_LIBRARIES}
                          GTest::gmock_main corvida_options)
    set(serial FALSE)
    if(arg_SERIAL)
        set(serial TRUE)
    endif()
    gtest_discover_tests(${name}
        PROPERTIES LABELS "${arg_LABELS}" RUN_SERIAL ${serial}
        DISCOVERY_TIMEOUT 60)
endfunction()
