// The desktop registry editor's .reg text format over the current handset's registry: export of
// key trees and import of "Windows Registry Editor Version 5.00" and "REGEDIT4" files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

// A .reg file that cannot be read or applied, or a key that cannot be exported; an import error
// message begins with "line N: " and says what is wrong there.
class RegFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The named keys with their subtrees (full names such as u"HKEY_LOCAL_MACHINE\\Software\\Razud";
// an empty list exports HKEY_LOCAL_MACHINE and then HKEY_CURRENT_USER) as a Version 5.00 file:
// UTF-16LE with the mark FF FE, CR LF lines, keys in enumeration order with their stored case.
// Throws RegFileError for an unknown root or a missing key.
std::vector<uint8_t> ExportRegistry(const std::vector<std::u16string>& keys);

// Reads a Version 5.00 file (UTF-16LE with the mark) or a REGEDIT4 file (8-bit text, taken as
// UTF-8 when it is valid UTF-8 and as Latin-1 otherwise) and applies it to the current handset:
// keys are created, "[-KEY]" deletes a key tree, "name"=- deletes a value. Returns the number of
// values written. The whole file is checked before anything is applied, so a malformed file
// throws RegFileError (naming the line) and changes nothing; the file is applied as one registry
// transaction, so a registry call that fails while applying throws RegFileError too and leaves
// the registry as it was. Throws cehost::HandsetError when the registry cannot be held for
// writing, or when the changes cannot be kept at the end (the registry is then as it was too).
size_t ImportRegistry(const std::vector<uint8_t>& bytes);

}  // namespace sim
