// Helpers of the registry store's SQL: folded names, text bound and read as UTF-8, and cached
// statements reset after each use.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "cehost/text.h"

namespace cehost {

// The name as it is compared: folded, in UTF-8.
inline std::string Folded(std::u16string_view name) {
  return ToUtf8(FoldCase(name));
}

// Binds UTF-8 text without a copy: the text must outlive the statement's use (a Use made after
// the text ends first).
inline void BindText(sqlite3_stmt* stmt, int index, const std::string& text) {
  sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// The text of a column of the current row, as UTF-16.
inline std::u16string ColumnText(sqlite3_stmt* stmt, int column) {
  auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  int size = sqlite3_column_bytes(stmt, column);
  return ToUtf16(std::string_view(text ? text : "", static_cast<size_t>(size)));
}

// Resets a cached statement when the scope that used it ends.
class Use {
 public:
  explicit Use(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Use() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  sqlite3_stmt* operator*() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_;
};

}  // namespace cehost
