// When a process sweeps a folder for abandoned scratch files: once in an interval per folder.
#include <gtest/gtest.h>

#include "ini/sweep_schedule.h"

namespace {

TEST(SweepScheduleTest, AFolderIsDueOnceInAnInterval) {
  using std::chrono::seconds;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(ini::SweepDue(u"\\Interval\\", start));
  EXPECT_FALSE(ini::SweepDue(u"\\Interval\\", start));
  // The folder's name in any case is the same folder; another folder has a schedule of its own.
  EXPECT_FALSE(ini::SweepDue(u"\\INTERVAL\\", start + ini::kSweepInterval - seconds(1)));
  EXPECT_TRUE(ini::SweepDue(u"\\Interval\\Deeper\\", start + seconds(1)));
  // A refusal does not move the next sweep later.
  EXPECT_TRUE(ini::SweepDue(u"\\Interval\\", start + ini::kSweepInterval));
  EXPECT_FALSE(ini::SweepDue(u"\\Interval\\", start + ini::kSweepInterval + seconds(1)));
}

}  // namespace
