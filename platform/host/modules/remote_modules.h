// The modules of a handset attached to its server: the server's handset has them installed, and
// an attached program loads their code into itself, as a program on the handset loads a DLL.
#pragma once

#include <string>
#include <vector>

#include "server/wire.h"

namespace cehost {

struct HandsetState;
class ModuleTable;

// Makes the program's module table hold what the server has installed at the first of the
// paths that has a module: its entries found in the shared objects that hold the server's code.
// A path the server has no module at is taken out of the table. A server that cannot be reached
// leaves the table as it is.
void MirrorServedModule(HandsetState& state, const std::vector<std::u16string>& paths);

// Puts on a server's reply the module installed at the path in the table: {u8 installed, text
// path, u32 n, n x {utf8 entry, utf8 file, utf8 symbol}}, where file and symbol say where the
// entry's code is (empty when it is in no shared object a program could load).
void WriteInstalledModule(wire::Writer& out, const ModuleTable& modules, std::u16string_view path);

}  // namespace cehost
