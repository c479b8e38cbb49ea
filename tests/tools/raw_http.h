// HTTP on a bare socket, for what httplib's client will not send or hold: a head alone, a body in
// chunks, event streams kept open while other requests are made.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// A connection to 127.0.0.1 at port whose reads wait at most 10 s; -1 when it cannot be made.
inline int Connect(int port) {
  int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(sock);
    return -1;
  }
  timeval wait{10, 0};
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  return sock;
}

inline bool SendAll(int sock, const std::string& text) {
  return send(sock, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// Sends text on a connection of its own and reads what comes back until the server closes it (or
// resets it, as it may after leaving a body unread): a body it refuses is answered unread.
inline std::string AnswerTo(int port, const std::string& text) {
  int sock = Connect(port);
  std::string answer;
  if (sock >= 0 && SendAll(sock, text)) {
    char buffer[4096];
    for (ssize_t got; (got = recv(sock, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, got);
  }
  if (sock >= 0) close(sock);
  return answer;
}

// The HTTP status an answer begins with; -1 when it begins with none.
inline int StatusOf(const std::string& answer) {
  if (answer.size() < 12 || !answer.starts_with("HTTP/1.1 ")) return -1;
  return std::atoi(answer.substr(9, 3).c_str());
}

// Opens the panel's event stream and reads it to its first event, which comes once the stream
// holds a thread of its own: the connection then, -1 when it was not answered so.
inline int OpenEventStream(int port) {
  int sock = Connect(port);
  if (sock < 0) return -1;
  std::string answer;
  if (SendAll(sock,
              "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n")) {
    char buffer[4096];
    while (answer.find("event: update") == std::string::npos) {
      ssize_t got = recv(sock, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      answer.append(buffer, got);
    }
  }
  if (StatusOf(answer) != 200 || answer.find("event: update") == std::string::npos) {
    close(sock);
    return -1;
  }
  return sock;
}
