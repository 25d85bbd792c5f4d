# Runs one fuzzer for SECONDS on a fresh working copy of its seed corpus
# (SEEDS copied to WORK) and fails on any finding, which libFuzzer writes to
# FINDINGS. ctest passes FUZZER, SEEDS, WORK, FINDINGS and SECONDS.
foreach(variable FUZZER SEEDS WORK FINDINGS SECONDS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_bounded.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}" "${FINDINGS}")
file(GLOB seeds "${SEEDS}/*")
if(seeds)
  file(COPY ${seeds} DESTINATION "${WORK}")
endif()

execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          "-artifact_prefix=${FINDINGS}/" "${WORK}"
  RESULT_VARIABLE status
)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} found a fault (exit status ${status}); the input is in ${FINDINGS}")
endif()
