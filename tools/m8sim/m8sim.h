// The m8sim command line, callable in-process: parses the arguments and runs the command.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace m8sim {

// Runs m8sim with the arguments (without the program name), writing to out and err; the exit
// code: 0 success, 1 the operation ran and failed, 2 a usage or input error.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

struct Context;
// Runs one command line on a context that may have run others: the handset it mounted stays
// mounted for the next. The exit code as above.
int Run(Context& ctx, const std::vector<std::string>& args);

}  // namespace m8sim
