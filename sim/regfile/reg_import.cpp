// Import of .reg files: the whole file is read first, then its operations are applied in order,
// as one registry transaction.
#include "cehost/handset.h"
#include "cehost/registry_transaction.h"
#include "cehost/text.h"
#include "sim/regfile/reg_file.h"
#include "sim/regfile/reg_parse.h"

namespace sim {

namespace {

[[noreturn]] void Fail(const RegOperation& op, const std::string& what, LONG error) {
  throw RegFileError("line " + std::to_string(op.line) + ": " + what + " " +
                     cehost::ToUtf8(op.full_name) + " (error " + std::to_string(error) + ")");
}

// The key the value lines that follow a key line write to.
class OpenKey {
 public:
  ~OpenKey() { Close(); }
  void Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }
  void Create(const RegOperation& op) {
    Close();
    LONG rc = RegCreateKeyExW(op.root, op.path.empty() ? nullptr : op.path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    if (rc != ERROR_SUCCESS) {
      key_ = nullptr;
      Fail(op, "cannot create", rc);
    }
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

size_t ImportRegistry(const std::vector<uint8_t>& bytes) {
  std::vector<RegOperation> operations = ParseRegFile(bytes);
  // One transaction: a failure midway leaves the registry as it was, and the file's keys and
  // values are written together instead of each on its own.
  cehost::RegistryTransaction transaction;
  OpenKey key;
  size_t written = 0;
  for (const RegOperation& op : operations) {
    switch (op.kind) {
      case RegOperation::Kind::kCreateKey:
        key.Create(op);
        break;
      case RegOperation::Kind::kDeleteKey: {
        key.Close();
        // A key that is not there is already as the file asks.
        LONG rc = RegDeleteKeyW(op.root, op.path.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) Fail(op, "cannot delete", rc);
        break;
      }
      case RegOperation::Kind::kSetValue: {
        LONG rc = RegSetValueExW(key.get(), op.name.c_str(), 0, op.type, op.data.data(),
                                 static_cast<DWORD>(op.data.size()));
        if (rc != ERROR_SUCCESS) Fail(op, "cannot write a value of", rc);
        ++written;
        break;
      }
      case RegOperation::Kind::kDeleteValue: {
        LONG rc = RegDeleteValueW(key.get(), op.name.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
          Fail(op, "cannot delete a value of", rc);
        break;
      }
    }
  }
  key.Close();
  if (LONG rc = transaction.Commit())
    throw cehost::HandsetError((cehost::CurrentHome() / "registry.db").string() +
                               ": cannot keep the imported keys and values (error " +
                               std::to_string(rc) + ")");
  return written;
}

}  // namespace sim
