#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce/devices.h"
#include "ce/errors.h"
#include "ce/kernel.h"
#include "cehost/devices.h"
#include "cehost/journal.h"
#include "handset_fixture.h"
#include "test_stream_driver.h"

namespace {

// A power-managed device whose lowest state is lowest; it remembers the states it was given.
class TestPowerDevice : public cehost::PowerManagedDevice {
 public:
  explicit TestPowerDevice(int lowest) : lowest_(lowest) {}
  int SetPower(int state) override {
    std::lock_guard lock(mutex_);
    given.push_back(state);
    if (fail_with) {
      if (fail_with != ~0u) SetLastError(fail_with);
      return -1;
    }
    // Released: back to full power.
    if (state < 0) return 0;
    return state > lowest_ ? lowest_ : state;
  }
  std::vector<int> given;
  DWORD fail_with = 0;  // ~0u: fails without saying why

 private:
  std::mutex mutex_;
  const int lowest_;
};

constexpr char16_t kNdisAdapter[] = PMCLASS_NDIS_MINIPORT u"\\SDIO86881";

class PowerTest : public BareHandsetTest {
 protected:
  void SetUp() override {
    BareHandsetTest::SetUp();
    adapter_ = std::make_shared<TestPowerDevice>(D3);
    cehost::InstallPowerManagedDevice(cehost::kNdisMiniportPowerClass, u"SDIO86881", adapter_);
    cehost::InstallStreamDriver(Listing(u"ACC0:", std::nullopt),
                                std::make_shared<TestStreamDriver>());
    cehost::InstallStreamDriver(Listing(u"NDP1:", cehost::kNdisMiniportPowerClass),
                                std::make_shared<TestStreamDriver>());
  }

  static cehost::DeviceListing Listing(std::u16string legacy, std::optional<GUID> power_class) {
    cehost::DeviceListing listing;
    listing.legacy_name = std::move(legacy);
    listing.device_key = u"Drivers\\BuiltIn\\Test";
    listing.power_class = power_class;
    return listing;
  }

  std::shared_ptr<TestPowerDevice> adapter_;
};

// Names find devices by class and name: a bare name is in the generic class, a stream driver is
// in its listing's class (generic unless it names one), the class GUID's case does not matter.
// The answer is the device's, and the journal says what was asked and what was taken.
TEST_F(PowerTest, NamesFindDevicesInTheirClass) {
  struct Case {
    const char16_t* name;
    int state;
    DWORD result;
    const char* taken;  // the journal's "taken"; empty when no device answered
  } cases[] = {
      {kNdisAdapter, D4, ERROR_SUCCESS, "3"},  // cannot go below D3: takes the next state
      {kNdisAdapter, D2, ERROR_SUCCESS, "2"},
      {kNdisAdapter, PwrDeviceUnspecified, ERROR_SUCCESS, "0"},
      {u"{98c5250d-c29a-4985-ae5f-afe5367e5006}\\sdio86881", D0, ERROR_SUCCESS, "0"},
      {u"SDIO86881", D4, ERROR_FILE_NOT_FOUND, ""},
      {PMCLASS_GENERIC_DEVICE u"\\SDIO86881", D4, ERROR_FILE_NOT_FOUND, ""},
      {u"ACC0:", D4, ERROR_SUCCESS, "4"},
      {u"acc0:", PwrDeviceUnspecified, ERROR_SUCCESS, "0"},
      {PMCLASS_GENERIC_DEVICE u"\\ACC0:", D1, ERROR_SUCCESS, "1"},
      {PMCLASS_NDIS_MINIPORT u"\\ACC0:", D1, ERROR_FILE_NOT_FOUND, ""},
      {u"NDP1:", D4, ERROR_FILE_NOT_FOUND, ""},
      {PMCLASS_NDIS_MINIPORT u"\\NDP1:", D4, ERROR_SUCCESS, "4"},
      {u"ACC1:", D4, ERROR_FILE_NOT_FOUND, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.name) + " state " + std::to_string(c.state));
    cehost::CurrentJournal().Clear();
    SetLastError(1234);
    EXPECT_EQ(SetDevicePower(const_cast<char16_t*>(c.name), POWER_NAME,
                             static_cast<CEDEVICE_POWER_STATE>(c.state)),
              c.result);
    EXPECT_EQ(GetLastError(), 1234u);
    auto entries = cehost::CurrentJournal().Entries("device.power");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Field("state"), std::to_string(c.state));
    EXPECT_EQ(entries[0].Field("taken"), c.taken);
    EXPECT_EQ(entries[0].Field("result"), std::to_string(c.result));
  }
  EXPECT_EQ(adapter_->given, (std::vector<int>{D4, D2, PwrDeviceUnspecified, D0}));
  auto last = cehost::CurrentJournal().Entries("device.power");
  EXPECT_EQ(last[0].Field("name"), "ACC1:");
  EXPECT_EQ(last[0].Field("class"), "{A32942B7-920C-486B-B0E6-92A702A99B35}");
}

// Bad flags, states, pointers and class prefixes are refused before any device is asked.
TEST_F(PowerTest, BadArgumentsAreRefusedWith87) {
  struct Case {
    const char16_t* name;
    DWORD flags;
    int state;
  } cases[] = {
      {kNdisAdapter, 0, D4},
      {kNdisAdapter, POWER_NAME | 0x2, D4},
      {kNdisAdapter, POWER_NAME, PwrDeviceMaximum},
      {kNdisAdapter, POWER_NAME, -2},
      {nullptr, POWER_NAME, D0},
      {u"{98C5250D-C29A-4985-AE5F}\\SDIO86881", POWER_NAME, D0},
      {u"{98C5250D-C29A-4985-AE5F-AFE5367E500G}\\SDIO86881", POWER_NAME, D0},
      {u"{98C5250D-C29A-4985-AE5F-AFE5367E5006}SDIO86881", POWER_NAME, D0},
      {PMCLASS_NDIS_MINIPORT u"\\", POWER_NAME, D0},
      {u"", POWER_NAME, D0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.name ? U8(c.name) : "null") + " flags " + std::to_string(c.flags) + " state " +
                 std::to_string(c.state));
    EXPECT_EQ(SetDevicePower(const_cast<char16_t*>(c.name), c.flags,
                             static_cast<CEDEVICE_POWER_STATE>(c.state)),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_TRUE(adapter_->given.empty());
  // POWER_FORCE goes with POWER_NAME.
  EXPECT_EQ(SetDevicePower(const_cast<char16_t*>(kNdisAdapter), POWER_NAME | POWER_FORCE, D4),
            static_cast<DWORD>(ERROR_SUCCESS));
}

// A device that cannot take a state gives its reason, or ERROR_WRITE_FAULT when it gives none;
// the caller's last error is left alone.
TEST_F(PowerTest, ADeviceRefusalIsTheResult) {
  auto* name = const_cast<char16_t*>(kNdisAdapter);
  adapter_->fail_with = ERROR_NOT_SUPPORTED;
  SetLastError(77);
  EXPECT_EQ(SetDevicePower(name, POWER_NAME, D4), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  adapter_->fail_with = ~0u;
  EXPECT_EQ(SetDevicePower(name, POWER_NAME, D4), static_cast<DWORD>(ERROR_WRITE_FAULT));
  EXPECT_EQ(GetLastError(), 77u);
  // Once removed, it is not found.
  EXPECT_TRUE(cehost::RemovePowerManagedDevice(cehost::kNdisMiniportPowerClass, u"sdio86881"));
  EXPECT_FALSE(cehost::RemovePowerManagedDevice(cehost::kNdisMiniportPowerClass, u"SDIO86881"));
  EXPECT_EQ(SetDevicePower(name, POWER_NAME, D0), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
