// Starting a handset server for a home: the server program, found beside the platform library
// or named by $M8_HANDSET_SERVER, is started in a session of its own, not a child of the caller.
#pragma once

#include <filesystem>
#include <string>

struct sockaddr_un;

namespace cehost {

// home/handset.sock: the server's socket.
std::filesystem::path ServerSocket(const std::filesystem::path& home);
// home/server.lock: held by the running server.
std::filesystem::path ServerLockFile(const std::filesystem::path& home);

// Fills in the socket address of the home's server. A home whose path is too long for a socket
// address is reached through a descriptor of its folder, which *folder_fd then holds (-1 when
// none was needed) until the caller closes it. False when the home cannot be opened.
bool ServerAddress(const std::filesystem::path& home, struct sockaddr_un* address, int* folder_fd);

// Starts a server for the home and waits until it listens, or until it finds another server
// holding the home's lock. False with *error set when the program cannot be found or started, or
// says nothing within a few seconds.
bool StartServerProcess(const std::filesystem::path& home, bool persistent, std::string* error);

}  // namespace cehost
