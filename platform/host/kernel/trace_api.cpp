#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "ce/crt.h"
#include "ce/kernel.h"
#include "ce/text.h"
#include "cehost/text.h"
#include "handset/handset_state.h"

namespace {

// Formats a line like wsprintfW and hands it to the trace: always kept in the journal (as the
// kind given), and written to standard error when M8_TRACE is set.
int Trace(cehost::EffectKind kind, const char* tag, LPCWSTR format, va_list args) {
  WCHAR line[WSPRINTF_LIMIT];
  int length = wvsprintfW(line, format, args);
  std::string text = cehost::ToUtf8(std::u16string_view(line, length > 0 ? length : 0));
  const char* env = std::getenv("M8_TRACE");
  if (env && *env) std::fprintf(stderr, "%s%s", tag, text.c_str());
  cehost::RecordEffect(cehost::Current().journal, kind, {{"text", std::move(text)}});
  return length;
}

}  // namespace

// The kernel debug print.
extern "C" void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
  if (!lpszFmt) return;
  va_list args;
  va_start(args, lpszFmt);
  Trace(cehost::EffectKind::kTrace, "", lpszFmt, args);
  va_end(args);
}

// The run-time library's console print: on the handset it goes to the debug console, so here it
// is part of the trace, tagged as console output, and never the process's standard output.
extern "C" int ce_wprintf(const WCHAR* format, ...) {
  if (!format) return -1;
  va_list args;
  va_start(args, format);
  int length = Trace(cehost::EffectKind::kConsole, "[console] ", format, args);
  va_end(args);
  return length;
}
