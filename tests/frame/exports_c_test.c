/* A C program calls the library through its header, as an application written in C would: an
   INI file made, a number written and read back, on a handset home of its own. Exits 0 when every
   call answers as it should. */
#include <stdio.h>
#include <stdlib.h>

#include "frame/exports.h"

int main(void) {
  char home[] = "/tmp/m8-c-program-XXXXXX";
  if (!mkdtemp(home) || setenv("M8_HANDSET", home, 1) != 0) return 2;
  const WCHAR* file = u"\\c.ini";
  INT value = 0;
  int ok = IniCreateFileEx(file) == 1 && IniWriteIntEx(u"Sec", u"Key", -42, file) == 1 &&
           IniReadIntEx(u"Sec", u"Key", &value, file) == 1 && value == -42 &&
           IsExistAppEx(u"Sec", file) == 1 && IsExistAppEx(u"Other", file) == 0;
  char command[64];
  snprintf(command, sizeof command, "rm -rf '%s'", home);
  if (system(command) != 0) return 2;
  if (!ok) fprintf(stderr, "exports_c_test: an INI call did not answer as it should\n");
  return ok ? 0 : 1;
}
