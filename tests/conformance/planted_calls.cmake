# The coverage gate's own test. Run on planted_calls.cpp's shared object, the gate must fail; its
# messages must name the two calls that have neither a check nor a reason and the import that no
# platform header declares, and must not name the call that checks cover or the one with a reason.
# Usage: cmake -DPYTHON=<python3> -DSCRIPT=<scripts/conformance-coverage> -DLIBRARY=<the object>
#              -P planted_calls.cmake
cmake_minimum_required(VERSION 3.25)

foreach(variable PYTHON SCRIPT LIBRARY)
  if(NOT EXISTS "${${variable}}")
    message(FATAL_ERROR "planted_calls: ${variable} is not a file: '${${variable}}'")
  endif()
endforeach()

# --check: the gate compares with COVERAGE.md and never writes it.
execute_process(COMMAND "${PYTHON}" "${SCRIPT}" --check "${LIBRARY}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${errors}")

set(failures "")
if(result EQUAL 0)
  string(APPEND failures "  the gate passed\n")
endif()
set(neither "no check names it and coverage-reasons.txt gives no reason")
string(CONCAT undeclared "the library imports it, but no header of platform/include/ce or "
                         "platform/include/oem declares it")
set(expected
    "conformance-coverage: MoveFileW: ${neither}"
    "conformance-coverage: PAL_SGetUnreadMsgCnt: ${neither}"
    "conformance-coverage: cehost::FoldCase(char16_t) (from libcehost.so): ${undeclared}")
foreach(line IN LISTS expected)
  string(FIND "${errors}" "${line}\n" at)
  if(at EQUAL -1)
    string(APPEND failures "  no message \"${line}\"\n")
  endif()
endforeach()
foreach(call Sleep NKDbgPrintfW)
  string(FIND "${errors}" "conformance-coverage: ${call}:" at)
  if(NOT at EQUAL -1)
    string(APPEND failures "  a message names ${call}, which has a check or a reason\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "planted_calls: the gate did not tell the planted calls apart:\n${failures}")
endif()
message(STATUS "planted_calls: the gate failed, naming the planted calls")
