#include <gtest/gtest.h>

#include "ce/windows.h"
#include "frame/broadcast.h"
#include "handset_fixture.h"

namespace {

class BroadcastTest : public HandsetTest {};

TEST_F(BroadcastTest, MessageIsTheRegisteredNameAndStaysTheSame) {
  UINT first = GetPalBroadcastMessage();
  EXPECT_GE(first, 0xC000u);
  EXPECT_LE(first, 0xFFFFu);
  EXPECT_EQ(GetPalBroadcastMessage(), first);
  // Another program registering the name, in any case, gets the same identifier.
  EXPECT_EQ(RegisterWindowMessageW(u"palbroadcastnotifymsgname"), first);
  EXPECT_NE(RegisterWindowMessageW(u"ShellNotifyMsg/Other"), first);
}

}  // namespace
