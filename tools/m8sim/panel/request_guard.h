// Which requests the panel answers: a web page from elsewhere must not drive the handset, even
// through a name that resolves to this machine.
#pragma once

#include <cstddef>
#include <string>

namespace m8sim {

// True when a request with these headers may be answered by a panel listening on the port: the
// Host names an IP address or "localhost" with that port (a name of someone else's that points
// here does not pass), and an Origin, when the request has one, is this very Host over http.
bool AllowedRequest(const std::string& host, const std::string& origin, int port);

// True when a body of this Content-Type is JSON, which no plain form of another site can send.
bool IsJsonBody(const std::string& content_type);

// Why a request's body is not read: an HTTP status and its message; status 0 when it may be.
struct BodyRefusal {
  int status = 0;
  std::string message;
};

// Whether the body of a request with this method and these headers may be read: GET and HEAD
// requests are answered without one, and a POST's must announce a length of at most max_bytes
// (a body sent in chunks, or without a length, is never read); other methods are refused.
BodyRefusal CheckBody(const std::string& method, const std::string& content_length,
                      const std::string& transfer_encoding, size_t max_bytes);

}  // namespace m8sim
