// Critical sections: InitializeCriticalSection, EnterCriticalSection, LeaveCriticalSection,
// TryEnterCriticalSection and DeleteCriticalSection. The library guards its drivers' and shell
// links' state with them and relies on two things: the owning thread may enter again (and leaves
// as often as it entered), and no other thread gets in until the owner has left every time.
#include <thread>

#include "check.h"
#include "rows.h"

namespace {

// The owner enters twice and must leave twice before another thread can get in.
CHECK_CASE(critical_section, owner_reenters_and_leaves_as_often) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_SAME(TryEnterCriticalSection(&section), TRUE);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);

  BOOL while_held = TRUE;
  std::thread([&] { while_held = TryEnterCriticalSection(&section); }).join();
  EXPECT_SAME(while_held, FALSE);

  LeaveCriticalSection(&section);
  BOOL once_left = FALSE;
  std::thread([&] {
    once_left = TryEnterCriticalSection(&section);
    if (once_left) LeaveCriticalSection(&section);
  }).join();
  EXPECT_SAME(once_left, TRUE);
  DeleteCriticalSection(&section);
}

// A thread that enters while another owns the section waits until it has left: the sum that
// both threads add to under the section comes out whole.
CHECK_CASE(critical_section, enter_waits_for_the_owner) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  long sum = 0;
  auto add = [&] {
    for (int i = 0; i < 20000; ++i) {
      EnterCriticalSection(&section);
      long read = sum;
      sum = read + 1;
      LeaveCriticalSection(&section);
    }
  };
  std::thread other(add);
  add();
  other.join();
  EXPECT_SAME(sum, 40000L);
  DeleteCriticalSection(&section);
}

}  // namespace
