// Finding an export by the name a person gives, and showing calls and results.
#pragma once

#include <string>
#include <vector>

#include "invoker.h"

namespace m8sim {

// The implemented export the name and argument count choose: the name is the export's name or its
// line in the export list (the signature of a decorated one); of two forms of one name, the one
// with that many parameters. Throws UsageError for an unknown or unimplemented name, or when no
// form takes that many arguments.
const ExportInfo& FindExport(const std::string& name, size_t argument_count);

// "RESULT NAME(PARAMETERS)".
std::string Signature(const ExportInfo& info);

// The result as its type reads: unsigned for DWORD and UINT, signed for INT, LONG and BOOL, true
// or false for bool, hex for HANDLE.
std::string ResultText(const ExportInfo& info, int64_t value);

}  // namespace m8sim
