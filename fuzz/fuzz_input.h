// Splits a fuzzer's input into the names and the file an INI call works on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next byte, or 0 when the input is used up.
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  // The next count UTF-16 characters (fewer when the input ends), without NULs.
  std::u16string Text(size_t count) {
    std::u16string text;
    for (; count > 0 && pos_ + 1 < size_; --count, pos_ += 2) {
      char16_t c = static_cast<char16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
      text.push_back(c ? c : u'_');
    }
    return text;
  }

  // Everything not used yet.
  std::vector<unsigned char> Rest() const {
    return std::vector<unsigned char>(data_ + pos_, data_ + size_);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};
