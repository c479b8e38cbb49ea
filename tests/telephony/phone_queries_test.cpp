#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/exports.h"
#include "frame/registry_value.h"
#include "handset_fixture.h"
#include "sim/handset_config.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "telephony/gprs_traffic.h"
#include "telephony/phone_queries.h"

namespace {

class PhoneQueriesTest : public HandsetTest {
 protected:
  sim::Locked<sim::PhoneScript> Script() {
    return handset().program<sim::PhoneAdapter>().phone().Script();
  }
  sim::Phone& Phone() { return handset().program<sim::PhoneAdapter>().phone(); }
  // The phone adapter calls made so far, by name.
  std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    for (const auto& e : handset().journal().Entries("phone")) calls.push_back(e.Field("call"));
    return calls;
  }
  std::vector<std::string> Traces() {
    std::vector<std::string> lines;
    for (const auto& e : handset().journal().Entries("trace")) lines.push_back(e.Field("text"));
    return lines;
  }
};

TEST_F(PhoneQueriesTest, ImeiAndModelResultFollowsTheLastQueryMade) {
  struct Case {
    bool imei_buffer, model_buffer, imei_fails, model_fails;
    LONG result;
    std::vector<std::string> calls;
  } cases[] = {
      {false, false, false, false, 3, {}},
      {true, false, false, false, 1, {"PAL_SGetPhoneIMEI"}},
      {true, false, true, false, 3, {"PAL_SGetPhoneIMEI"}},
      {false, true, false, false, 1, {"PAL_SGetPhoneModel"}},
      {false, true, false, true, 3, {"PAL_SGetPhoneModel"}},
      // With both buffers the model alone decides.
      {true, true, true, false, 1, {"PAL_SGetPhoneIMEI", "PAL_SGetPhoneModel"}},
      {true, true, false, true, 3, {"PAL_SGetPhoneIMEI", "PAL_SGetPhoneModel"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.imei_buffer << c.model_buffer << c.imei_fails << c.model_fails);
    handset().journal().Clear();
    Script()->imei_fails = c.imei_fails;
    Script()->model_fails = c.model_fails;
    WCHAR imei[32] = {};
    WCHAR model[32] = {};
    LONG result = Dial_GetImeiSerialNumber2(nullptr, c.imei_buffer ? imei : nullptr, 32,
                                            c.model_buffer ? model : nullptr, 32);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(Calls(), c.calls);
    if (c.imei_buffer && !c.imei_fails) {
      EXPECT_EQ(std::u16string(imei), u"860123456789012");
    }
    if (c.model_buffer && !c.model_fails) {
      EXPECT_EQ(std::u16string(model), u"M8");
    }
  }
  // The plain-named twin gives the same answer.
  WCHAR imei[32];
  Script()->model_fails = false;
  EXPECT_EQ(CallNotifyApiGetImeiSerialNumber2(nullptr, imei, 32, nullptr, 0), 1);
  // A buffer too small for the whole IMEI is a failed query.
  EXPECT_EQ(CallNotifyApiGetImeiSerialNumber2(nullptr, imei, 5, nullptr, 0), 3);
}

TEST_F(PhoneQueriesTest, CountsComeFromTheAdapter) {
  Script()->missed_calls = 4;
  Script()->calls_in_progress = 1;
  Script()->unread_messages = 12;
  EXPECT_EQ(Dial_GetMissCallCnt(), 4u);
  EXPECT_EQ(CallNotifyApiDial_GetMissCallCnt(), 4);
  EXPECT_EQ(GetExistingCallCount(), 1u);
  EXPECT_EQ(Dial_GetUnreadSmsCnt(), 12u);
  // The unread count loads the adapter library for the call and frees it again.
  EXPECT_EQ(handset().journal().Entries("module.load").size(), 1u);
  EXPECT_EQ(handset().journal().Entries("module.free").size(), 1u);
}

// Counts the adapter cannot give are 0: the module or its looked-up entry missing, or a call
// that succeeds without writing its count.
TEST_F(PhoneQueriesTest, CountsTheAdapterDoesNotGiveAreZero) {
  const std::string counts = "[phone]\nunread_messages = 12\nmissed_calls = 4\n";
  struct Case {
    std::string toml;
    DWORD unread, missed, frees;
  } cases[] = {
      {counts, 12, 4, 1},
      {counts + "module = \"missing\"\n", 0, 4, 0},
      {counts + "missing_entries = \"PAL_SGetUnreadMsgCnt\"\n", 0, 4, 1},
      {counts + "unwritten_outputs = \"PAL_SGetUnreadMsgCnt, PAL_SGetMissedCallCnt\"\n", 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toml);
    RestartWith(c.toml);
    EXPECT_EQ(Dial_GetUnreadSmsCnt(), c.unread);
    EXPECT_EQ(Dial_GetMissCallCnt(), c.missed);
    // A module that was loaded is freed again within the call.
    EXPECT_EQ(handset().journal().Entries("module.free").size(), c.frees);
  }
}

// Only entries looked up by name can be missing, and only calls with an output can leave it
// unwritten.
TEST_F(PhoneQueriesTest, TheFailureKeysRefuseOtherNames) {
  for (const char* toml :
       {"[phone]\nmissing_entries = \"PAL_SGetPhoneIMEI\"\n",
        "[phone]\nunwritten_outputs = \"PAC_Initialize\"\n", "[phone]\nmodule = \"gone\"\n"}) {
    EXPECT_THROW(RestartWith(toml), sim::HandsetConfigError) << toml;
  }
}

TEST_F(PhoneQueriesTest, SessionIsClosedBeforeResultsAreJudged) {
  Script()->detach_refused = true;
  Script()->gprs_attached = true;
  EXPECT_EQ(SetGprsAttachState(FALSE), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PAC_Initialize", "PAC_SSetGPRSAttached",
                                               "PAC_Deinitialize"}));
  auto calls = handset().journal().Entries("phone");
  EXPECT_EQ(calls[0].Field("args").substr(0, 13), "1,0,0,0,0,0,0");
  EXPECT_NE(calls[1].Field("args").find(",0,10000"), std::string::npos);
  EXPECT_EQ(Traces(), (std::vector<std::string>{"Corvanta::PAC_SSetGPRSAttached is fail\r\n"}));
  EXPECT_EQ(handset().program<sim::PhoneAdapter>().phone().OpenSessions(), 0u);

  Script()->detach_refused = false;
  EXPECT_EQ(SetGprsAttachState(FALSE), 1);
  EXPECT_FALSE(Phone().Live().gprs_attached);
}

TEST_F(PhoneQueriesTest, FailedSessionStartIsThreeForAttachAndZeroForTraffic) {
  Script()->session_start_fails = true;
  EXPECT_EQ(SetGprsAttachState(FALSE), 3);
  DWORD received = 5;
  DWORD sent = 6;
  EXPECT_EQ(ReadAndResetTrafficCount(&received, &sent), 0);
  EXPECT_EQ(received, 5u);
  EXPECT_EQ(sent, 6u);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PAC_Initialize", "PAC_Initialize"}));
  EXPECT_EQ(Traces(), (std::vector<std::string>{"Corvanta::PAC_PInitialize:is fail\r\n",
                                                "Corvanta::PAC_PInitialize:is fail\r\n"}));
}

TEST_F(PhoneQueriesTest, TrafficIsReadThenResetEvenWhenTheReadFails) {
  Script()->traffic_sent = 100;
  Script()->traffic_received = 250;
  DWORD received = 0;
  DWORD sent = 0;
  EXPECT_EQ(ReadAndResetTrafficCount(&received, &sent), 1);
  EXPECT_EQ(received, 250u);
  EXPECT_EQ(sent, 100u);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PAC_Initialize", "PAC_SGetGprsTrafficCount",
                                               "PAC_SSetGprsTrafficCount", "PAC_Deinitialize"}));
  EXPECT_TRUE(handset().journal().Entries("phone")[2].Field("args").ends_with(",1,0,0,5000"));

  Phone().ChangeLive([](sim::PhoneLive& live) { live.traffic_sent = 7; });
  Script()->traffic_read_fails = true;
  received = sent = 99;
  EXPECT_EQ(ReadAndResetTrafficCount(&received, &sent), 0);
  EXPECT_EQ(received, 99u);
  EXPECT_EQ(Phone().Live().traffic_sent, 0u);
  EXPECT_EQ(Traces().back(), "Corvanta::PAC_AGetGprsTrafficCount:is fail\r\n");
}

TEST_F(PhoneQueriesTest, TotalsStartAtZeroAndWrapAround) {
  Script()->traffic_sent = 10;
  Script()->traffic_received = 20;
  DWORD received = 0;
  DWORD sent = 0;
  ASSERT_EQ(Dial_GetGprsReceiveAndSendData(&received, &sent), 1);
  EXPECT_EQ(received, 20u);
  EXPECT_EQ(sent, 10u);
  // A fresh handset gets both totals created as 0 before the counts are added.
  auto sets = handset().journal().Entries("reg.set_value");
  ASSERT_EQ(sets.size(), 4u);
  EXPECT_EQ(sets[0].Field("name"), "gprsReceiveDataCount");
  EXPECT_EQ(sets[0].bytes, (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(sets[2].Field("name"), "gprsSendDataCount");
  EXPECT_EQ(sets[2].bytes, (std::vector<uint8_t>{10, 0, 0, 0}));
  EXPECT_EQ(sets[3].bytes, (std::vector<uint8_t>{20, 0, 0, 0}));

  ASSERT_TRUE(
      WriteRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsSendDataCount", 0xFFFFFFF0));
  Phone().ChangeLive([](sim::PhoneLive& live) { live.traffic_sent = 0x20; });
  ASSERT_EQ(Dial_GetGprsReceiveAndSendData(&received, &sent), 1);
  EXPECT_EQ(sent, 0x10u);
  EXPECT_EQ(received, 20u);

  EXPECT_EQ(Dial_GetGprsReceiveAndSendData(nullptr, &sent), 3);
  EXPECT_EQ(Traces().back(), "Corvanta::Dial_GetGprsReceiveAndSendData::pointer is NULL\r\n");
}

}  // namespace
