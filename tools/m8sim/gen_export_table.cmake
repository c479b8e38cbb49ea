# Writes the export table of m8sim: one row per export of exports.tsv, with a caller for every
# export that exports.list says the library implements.
cmake_minimum_required(VERSION 3.25)
# Usage: cmake -DTSV=exports.tsv -DLIST=exports.list -DOUT=export_table.cpp -P gen_export_table.cmake
file(STRINGS ${LIST} list_lines REGEX "^[^#]")
file(STRINGS ${TSV} tsv_lines)
list(POP_FRONT tsv_lines)

# The number of top-level parameters of a parameter list written between its parentheses.
function(count_parameters text out)
  set(rest "${text}")
  while(rest MATCHES "\\([^()]*\\)")
    string(REGEX REPLACE "\\([^()]*\\)" "" rest "${rest}")
  endwhile()
  string(STRIP "${rest}" rest)
  if(rest STREQUAL "" OR rest STREQUAL "void")
    set(${out} 0 PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCHALL "," commas "${rest}")
  list(LENGTH commas n)
  math(EXPR n "${n} + 1")
  set(${out} ${n} PARENT_SCOPE)
endfunction()

# Implemented exports: "name" for C linkage, "name/count" for the signature-decorated ones.
set(implemented "")
foreach(line IN LISTS list_lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^([A-Za-z_0-9]+)\\((.*)\\)$")
    set(name "${CMAKE_MATCH_1}")
    count_parameters("${CMAKE_MATCH_2}" n)
    list(APPEND implemented "${name}/${n}")
    set(list_name_${name}_${n} "${line}")
  else()
    list(APPEND implemented "${line}")
    set(list_name_${line} "${line}")
  endif()
endforeach()

set(rows "")
set(found "")
foreach(line IN LISTS tsv_lines)
  string(REPLACE "\t" ";" fields "${line}")
  list(LENGTH fields field_count)
  if(NOT field_count EQUAL 5)
    message(FATAL_ERROR "exports.tsv: malformed row: ${line}")
  endif()
  list(GET fields 0 name)
  list(GET fields 1 family)
  list(GET fields 2 result)
  list(GET fields 3 parameters)
  list(GET fields 4 linkage)
  count_parameters("${parameters}" n)
  if(linkage STREQUAL "C++")
    set(key "${name}/${n}")
    set(list_name_var list_name_${name}_${n})
  else()
    set(key "${name}")
    set(list_name_var list_name_${name})
  endif()
  set(invoke "nullptr")
  set(list_name "${name}")
  if(key IN_LIST implemented)
    list(APPEND found "${key}")
    set(list_name "${${list_name_var}}")
    # The parameter types: each parameter without its name.
    set(types "")
    if(NOT parameters STREQUAL "void")
      string(REPLACE ", " ";" parameter_list "${parameters}")
      foreach(parameter IN LISTS parameter_list)
        string(REGEX REPLACE " *[A-Za-z_][A-Za-z_0-9]*$" "" type "${parameter}")
        list(APPEND types "${type}")
      endforeach()
    endif()
    string(REPLACE ";" ", " types "${types}")
    set(invoke "&Invoker<static_cast<${result} (*)(${types})>(&${name})>::Call")
  endif()
  string(APPEND rows
    "    {\"${name}\", \"${family}\", \"${result}\", \"${parameters}\", \"${linkage}\",\n"
    "     \"${list_name}\", ${invoke}},\n")
endforeach()

foreach(key IN LISTS implemented)
  if(NOT key IN_LIST found)
    message(FATAL_ERROR "exports.list names ${key}, which exports.tsv does not declare")
  endif()
endforeach()

file(WRITE ${OUT}.tmp
  "// Made by gen_export_table.cmake from exports.tsv and exports.list.\n"
  "#include \"frame/exports.h\"\n"
  "#include \"invoker.h\"\n\n"
  "namespace m8sim {\n\n"
  "const ExportInfo kExportTable[] = {\n${rows}};\n\n"
  "std::span<const ExportInfo> Exports() { return kExportTable; }\n\n"
  "}  // namespace m8sim\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
