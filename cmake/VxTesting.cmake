# Helpers for the test suite: one GoogleTest executable per subsystem, and
# fuzz targets that run under libFuzzer (clang) or replay their seeds (gcc).
include_guard(GLOBAL)

# vx_add_test(<name> LABEL <label> SOURCES ... LIBS ... [QT])
# Builds one test executable and registers it with CTest under its label.
# QT tests run on the offscreen platform so they never need a display.
function(vx_add_test name)
    cmake_parse_arguments(T "QT" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(VX_FUZZ)
        return()
    endif()
    find_package(GTest REQUIRED)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock Threads::Threads)
    target_compile_definitions(${name} PRIVATE VX_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
                                               VX_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    set(env "")
    if(T_QT)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT}
                                            ENVIRONMENT "${env}")
endfunction()

# vx_add_fuzzer(<name> SOURCES ... LIBS ... [SEEDS <dir>])
# With VX_FUZZ (clang) the target is a libFuzzer program that the suite runs
# for VX_FUZZ_SECONDS; otherwise it is linked with a replay driver that feeds
# it the seed files and a fixed set of mutations of them, so that every build
# still exercises the parser on hostile bytes.
function(vx_add_fuzzer name)
    cmake_parse_arguments(F "" "SEEDS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS} Threads::Threads)
    if(NOT F_SEEDS)
        set(F_SEEDS "${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/${name}")
    endif()
    if(VX_FUZZ)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        set(corpus "${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus")
        add_test(NAME ${name}
                 COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DSEEDS=${F_SEEDS}
                         -DCORPUS=${corpus} -DSECONDS=${VX_FUZZ_SECONDS}
                         -P ${CMAKE_SOURCE_DIR}/cmake/RunFuzzer.cmake)
        math(EXPR limit "${VX_FUZZ_SECONDS} * 3 + 60")
    else()
        target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/fuzz/FuzzReplayMain.cpp)
        add_test(NAME ${name} COMMAND ${name} ${F_SEEDS})
        set(limit 300)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "fuzz" TIMEOUT ${limit})
endfunction()
