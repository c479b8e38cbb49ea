#include "server/wire.h"

#include <poll.h>

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace cehost::wire {

namespace {

template <class T>
void Append(std::vector<uint8_t>& out, T value) {
  for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

template <class T>
T Decode(const uint8_t* at) {
  T value = 0;
  for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<T>(at[i]) << (8 * i));
  return value;
}

bool SendAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

bool ReceiveAll(int fd, uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t got = recv(fd, data, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

Writer& Writer::U8(uint8_t value) {
  bytes_.push_back(value);
  return *this;
}

Writer& Writer::U16(uint16_t value) {
  Append(bytes_, value);
  return *this;
}

Writer& Writer::U32(uint32_t value) {
  Append(bytes_, value);
  return *this;
}

Writer& Writer::U64(uint64_t value) {
  Append(bytes_, value);
  return *this;
}

Writer& Writer::Bytes(const void* data, uint32_t size) {
  U32(size);
  const auto* first = static_cast<const uint8_t*>(data);
  if (size) bytes_.insert(bytes_.end(), first, first + size);
  return *this;
}

Writer& Writer::Text(std::u16string_view text) {
  U32(static_cast<uint32_t>(text.size()));
  for (char16_t unit : text) U16(unit);
  return *this;
}

Writer& Writer::Utf8(std::string_view text) {
  return Bytes(text.data(), static_cast<uint32_t>(text.size()));
}

const uint8_t* Reader::Take(size_t count) {
  if (!ok_ || count > size_ - at_) {
    ok_ = false;
    return nullptr;
  }
  const uint8_t* at = data_ + at_;
  at_ += count;
  return at;
}

uint8_t Reader::U8() {
  const uint8_t* at = Take(1);
  return at ? *at : 0;
}

uint16_t Reader::U16() {
  const uint8_t* at = Take(2);
  return at ? Decode<uint16_t>(at) : 0;
}

uint32_t Reader::U32() {
  const uint8_t* at = Take(4);
  return at ? Decode<uint32_t>(at) : 0;
}

uint64_t Reader::U64() {
  const uint8_t* at = Take(8);
  return at ? Decode<uint64_t>(at) : 0;
}

std::vector<uint8_t> Reader::Bytes(uint32_t limit) {
  uint32_t size = U32();
  if (size > limit) ok_ = false;
  const uint8_t* at = Take(size);
  if (!at) return {};
  return std::vector<uint8_t>(at, at + size);
}

std::u16string Reader::Text(uint32_t limit) {
  uint32_t length = U32();
  if (length > limit) ok_ = false;
  const uint8_t* at = Take(size_t{length} * 2);
  if (!at) return {};
  std::u16string text(length, u'\0');
  for (uint32_t i = 0; i < length; ++i)
    text[i] = static_cast<char16_t>(Decode<uint16_t>(at + 2 * i));
  return text;
}

std::string Reader::Utf8(uint32_t limit) {
  std::vector<uint8_t> bytes = Bytes(limit);
  return std::string(bytes.begin(), bytes.end());
}

bool Reader::End() {
  if (at_ != size_) ok_ = false;
  return ok_;
}

bool SendMessage(int fd, const std::vector<uint8_t>& body) {
  if (body.size() > kMaxMessage) return false;
  uint8_t length[4];
  for (int i = 0; i < 4; ++i) length[i] = static_cast<uint8_t>(body.size() >> (8 * i));
  // The length and the body go in one send: a small message costs one system call.
  std::vector<uint8_t> whole;
  whole.reserve(4 + body.size());
  whole.insert(whole.end(), length, length + 4);
  whole.insert(whole.end(), body.begin(), body.end());
  return SendAll(fd, whole.data(), whole.size());
}

std::optional<std::vector<uint8_t>> ReceiveMessage(int fd) {
  uint8_t length_bytes[4];
  if (!ReceiveAll(fd, length_bytes, 4)) return std::nullopt;
  uint32_t length = Decode<uint32_t>(length_bytes);
  if (length > kMaxMessage) return std::nullopt;
  std::vector<uint8_t> body(length);
  if (length && !ReceiveAll(fd, body.data(), length)) return std::nullopt;
  return body;
}

bool PeerClosed(int fd) {
  pollfd pfd{fd, POLLRDHUP, 0};
  return poll(&pfd, 1, 0) == 1 && (pfd.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

}  // namespace cehost::wire
