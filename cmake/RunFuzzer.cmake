# Runs one libFuzzer target for a bounded time on a scratch corpus seeded
# from the committed seed folder, so the committed seeds are never modified.
file(REMOVE_RECURSE "${CORPUS}" "${CORPUS}-crashes")
file(MAKE_DIRECTORY "${CORPUS}" "${CORPUS}-crashes")
if(EXISTS "${SEEDS}")
    file(GLOB seeds "${SEEDS}/*")
    if(seeds)
        file(COPY ${seeds} DESTINATION "${CORPUS}")
    endif()
endif()
execute_process(COMMAND "${FUZZER}" -max_total_time=${SECONDS} -rss_limit_mb=2048
                        -timeout=10 -max_len=65536 -print_final_stats=1
                        -artifact_prefix=${CORPUS}-crashes/ "${CORPUS}"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fuzz target ${FUZZER} failed with ${rc}; "
                        "the input that failed is in ${CORPUS}-crashes")
endif()
