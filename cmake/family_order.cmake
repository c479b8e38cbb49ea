# Checks that the library's families call each other in one order, lowest first, as the house
# is built: a file of src/<family>/ may include headers of its own family and of the families
# below it, never of one above. The entries of src/frame/entries/ forward the exports to every
# family and sit above them all; only they include frame/exports.h, so that a family calls
# another family's internal operation, never an export.
# Usage: cmake -DSOURCE_DIR=<src> -P family_order.cmake   (fails, naming each offending line)
cmake_minimum_required(VERSION 3.25)

set(families frame log ini telephony shell sensors wlan inputpanel settings)
set(entries_layer entries)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "family_order: SOURCE_DIR is not a folder: '${SOURCE_DIR}'")
endif()

set(violations "")
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" family "${source}")
  if(NOT source MATCHES "/")
    continue()  # files at the top of src/ belong to no family
  endif()
  if(source MATCHES "^frame/entries/")
    set(own_rank 1000)
    set(layer "${entries_layer}")
  else()
    list(FIND families "${family}" own_rank)
    set(layer "${family}")
    if(own_rank EQUAL -1)
      string(APPEND violations "  ${source}: folder '${family}' is not a family of the order\n")
      continue()
    endif()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
    if(header MATCHES "^frame/entries/" AND NOT layer STREQUAL entries_layer)
      string(APPEND violations "  ${source}: includes ${header}, a header of the entries\n")
      continue()
    endif()
    if(header STREQUAL "frame/exports.h" AND NOT layer STREQUAL entries_layer)
      string(APPEND violations "  ${source}: includes frame/exports.h; call the internal operation\n")
      continue()
    endif()
    string(REGEX MATCH "^[^/]+" included "${header}")
    list(FIND families "${included}" included_rank)
    if(included_rank EQUAL -1 OR NOT header MATCHES "/")
      continue()  # the platform's headers (ce/, oem/) and the standard library's
    endif()
    if(included_rank GREATER own_rank)
      string(APPEND violations
             "  ${source}: ${layer} includes ${header}, of ${included}, a family above it\n")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN families " < " order)
  message(FATAL_ERROR "family_order: families include only families below them "
                      "(${order} < frame/entries):\n${violations}")
endif()
list(LENGTH sources count)
message(STATUS "family_order: ${count} files follow the order")
