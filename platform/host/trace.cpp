#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "ce/kernel.h"
#include "ce/text.h"
#include "cehost/text.h"
#include "handset_state.h"

// The kernel debug print: the line is formatted like wsprintfW, always kept in the journal, and
// written to standard error when M8_TRACE is set.
extern "C" void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
  if (!lpszFmt) return;
  WCHAR line[WSPRINTF_LIMIT];
  va_list args;
  va_start(args, lpszFmt);
  int length = wvsprintfW(line, lpszFmt, args);
  va_end(args);
  std::string text = cehost::ToUtf8(std::u16string_view(line, length > 0 ? length : 0));
  const char* env = std::getenv("M8_TRACE");
  if (env && *env) std::fprintf(stderr, "%s", text.c_str());
  cehost::JournalEntry entry;
  entry.kind = "trace";
  entry.fields.emplace_back("text", std::move(text));
  cehost::Current().journal.Record(std::move(entry));
}
