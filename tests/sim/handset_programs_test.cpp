// The handset's programs: each answers from the state it keeps for its own handset, found through
// the handset that is current.
#include <gtest/gtest.h>

#include "cehost/handset.h"
#include "oem/phone_adapter.h"
#include "sim/bluetooth_applet/bluetooth.h"
#include "sim/handset.h"
#include "sim/phone_adapter/phone_adapter_program.h"

namespace {

DWORD MissedCalls() {
  DWORD count = 0xEEEE;
  return PAL_SGetMissedCallCnt(&count) ? count : 0xFFFF;
}

TEST(HandsetProgramsTest, ThePhoneAdapterAnswersForTheHandsetThatIsCurrent) {
  sim::Handset first;
  first.program<sim::PhoneAdapter>().phone().Script()->missed_calls = 1;
  sim::Handset second;
  second.program<sim::PhoneAdapter>().phone().Script()->missed_calls = 2;
  EXPECT_EQ(MissedCalls(), 2u);
  first.MakeCurrent();
  EXPECT_EQ(MissedCalls(), 1u) << "the state a handset keeps survives its being mounted again";
  EXPECT_EQ(sim::CurrentPhone().get(), &first.program<sim::PhoneAdapter>().phone());
  EXPECT_EQ(sim::CurrentBluetooth(), first.program<sim::Bluetooth>().radio());
}

TEST(HandsetProgramsTest, AHandsetMountedWithoutSimHasNoProgramToAnswer) {
  sim::Handset handset;
  cehost::MountOptions mount;
  mount.home = handset.home();
  cehost::MountHandset(mount);
  DWORD count = 0xEEEE;
  EXPECT_FALSE(PAL_SGetMissedCallCnt(&count));
  EXPECT_EQ(count, 0xEEEEu);
  EXPECT_EQ(sim::CurrentPhone(), nullptr);
  EXPECT_EQ(sim::CurrentBluetooth(), nullptr);
}

}  // namespace
