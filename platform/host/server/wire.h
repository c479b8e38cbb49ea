// The handset server's wire format: a message is a 32-bit length and that many bytes; its fields
// are little-endian numbers, byte strings and UTF-16 strings, each string led by its length.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cehost::wire {

// The largest message either side sends or takes: device data of up to a mebibyte and its
// fields. A longer length is a broken or hostile peer.
constexpr uint32_t kMaxMessage = (1u << 20) + 4096;

// Builds one message.
class Writer {
 public:
  Writer& U8(uint8_t value);
  Writer& U16(uint16_t value);
  Writer& U32(uint32_t value);
  Writer& U64(uint64_t value);
  // A byte string, led by its length.
  Writer& Bytes(const void* data, uint32_t size);
  Writer& Text(std::u16string_view text);
  Writer& Utf8(std::string_view text);
  // The bytes of the message, without its length.
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads the fields of one message in order. A field that runs past the end, or a string longer
// than the limit given, makes the reader fail: every later field reads as zero or empty and ok()
// answers false, so a handler checks once, after reading.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit Reader(const std::vector<uint8_t>& bytes) : Reader(bytes.data(), bytes.size()) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  uint64_t U64();
  // A byte string of at most limit bytes.
  std::vector<uint8_t> Bytes(uint32_t limit = kMaxMessage);
  // A UTF-16 string of at most limit units.
  std::u16string Text(uint32_t limit);
  std::string Utf8(uint32_t limit);
  // True while every field read so far was whole; false too when bytes are left over after the
  // last field, once End() has been called.
  bool ok() const { return ok_; }
  // Marks the message read: bytes left over make it malformed.
  bool End();

 private:
  const uint8_t* Take(size_t count);

  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

// Sends one message on a connected socket, whole, without raising SIGPIPE; false when the peer
// has gone.
bool SendMessage(int fd, const std::vector<uint8_t>& body);
// Whether the peer of a connected socket has closed its end (or the connection failed); never
// waits.
bool PeerClosed(int fd);

// Receives one message: nullopt when the peer has closed, the connection failed, or it announced
// a length beyond kMaxMessage.
std::optional<std::vector<uint8_t>> ReceiveMessage(int fd);

}  // namespace cehost::wire
