// Reads any bytes as a .reg file: no crash, no read past a buffer, no error but RegFileError,
// and every operation read is one the registry can be asked for.
#include <cstdlib>
#include <vector>

#include "sim/regfile/reg_file.h"
#include "sim/regfile/reg_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  std::vector<sim::RegOperation> operations;
  try {
    operations = sim::ParseRegFile(bytes);
  } catch (const sim::RegFileError&) {
    return 0;
  }
  for (const sim::RegOperation& op : operations) {
    if (!op.root || op.line < 2 || op.name.size() > REG_MAX_NAME) std::abort();
    if (op.kind == sim::RegOperation::Kind::kDeleteKey && op.path.empty()) std::abort();
    if (op.full_name.empty()) std::abort();
  }
  return 0;
}
