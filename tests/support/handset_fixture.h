// Gives every test its own fresh handset.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cehost/text.h"
#include "sim/handset.h"

class HandsetTest : public ::testing::Test {
 protected:
  void SetUp() override { handset_ = std::make_unique<sim::Handset>(); }
  void TearDown() override { handset_.reset(); }

  sim::Handset& handset() { return *handset_; }

  std::unique_ptr<sim::Handset> handset_;
};

// Printable UTF-8 of UTF-16 text, for assertions.
inline std::string U8(const std::u16string& text) { return cehost::ToUtf8(text); }
