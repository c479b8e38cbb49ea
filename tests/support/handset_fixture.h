// Gives every test its own fresh handset, or a handset home of its own that its handsets mount.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "cehost/handset.h"
#include "cehost/text.h"
#include "sim/handset.h"
#include "temp_dir.h"

class HandsetTest : public ::testing::Test {
 protected:
  void SetUp() override { handset_ = std::make_unique<sim::Handset>(); }
  void TearDown() override { handset_.reset(); }

  sim::Handset& handset() { return *handset_; }
  // Starts the test's handset again, in a fresh home of its own whose handset.toml has the text.
  void RestartWith(const std::string& toml) {
    handset_.reset();
    scripted_ = std::make_unique<TempDir>();
    std::filesystem::create_directories(scripted_->home());
    std::ofstream(scripted_->home() / "handset.toml") << toml;
    Remount();
  }
  // Mounts the handset of the home RestartWith made anew, as the next process to use it does.
  void Remount() {
    handset_.reset();
    handset_ = std::make_unique<sim::Handset>(sim::Handset::Options{scripted_->home()});
  }

  std::unique_ptr<sim::Handset> handset_;
  std::unique_ptr<TempDir> scripted_;
};

// A handset home of the test's own, which the test's handsets mount in turn.
class HandsetHomeTest : public ::testing::Test {
 protected:
  // A handset on the test's home; handset.toml as given, when it is.
  std::unique_ptr<sim::Handset> Mount(const std::string& toml = "") {
    if (!toml.empty()) WriteText(temp_.home() / "handset.toml", toml);
    sim::Handset::Options options;
    options.home = temp_.home();
    return std::make_unique<sim::Handset>(options);
  }

  TempDir temp_;
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
