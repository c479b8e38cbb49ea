// Which requests the panel answers: a web page from elsewhere must not drive the handset, even
// through a name that resolves to this machine.
#pragma once

#include <string>

namespace m8sim {

// True when a request with these headers may be answered by a panel listening on the port: the
// Host names an IP address or "localhost" with that port (a name of someone else's that points
// here does not pass), and an Origin, when the request has one, is this very Host over http.
bool AllowedRequest(const std::string& host, const std::string& origin, int port);

// True when a body of this Content-Type is JSON, which no plain form of another site can send.
bool IsJsonBody(const std::string& content_type);

}  // namespace m8sim
