// Gives every test its own fresh handset.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cehost/handset.h"
#include "cehost/text.h"
#include "sim/handset.h"

class HandsetTest : public ::testing::Test {
 protected:
  void SetUp() override { handset_ = std::make_unique<sim::Handset>(); }
  void TearDown() override { handset_.reset(); }

  sim::Handset& handset() { return *handset_; }

  std::unique_ptr<sim::Handset> handset_;
};

// A fresh handset that runs none of sim's programs: cehost's own behaviour, with no shell that
// registers its message names first, owns the shell's queues or runs a thread of its own.
class BareHandsetTest : public HandsetTest {
 protected:
  void SetUp() override {
    HandsetTest::SetUp();
    cehost::MountOptions bare;
    bare.home = handset().home();
    cehost::MountHandset(bare);
  }
};

// Printable UTF-8 of UTF-16 text, for assertions.
inline std::string U8(const std::u16string& text) {
  return cehost::ToUtf8(text);
}
