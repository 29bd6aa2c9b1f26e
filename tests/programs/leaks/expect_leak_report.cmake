# Runs PROGRAM, which leaks on purpose, and passes only when it fails with
# the leak checker's report of that very allocation.
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "The deliberate leak went unreported: the suppressions hide our own leaks.\n${output}")
endif()
if(NOT output MATCHES "Direct leak of 777 byte\\(s\\)" OR NOT output MATCHES "LeakOnPurpose")
  message(FATAL_ERROR "The program failed without reporting the deliberate leak (exit ${result}).\n${output}")
endif()
message(STATUS "The deliberate leak was reported, as it must be.")
