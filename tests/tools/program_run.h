// Running the built m8sim as a user runs it, in a process of its own, and reading its JSON lines.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct ProgramRun {
  int code = -1;
  std::vector<nlohmann::json> records;
  // The fields of the journal records of the kind.
  std::vector<nlohmann::json> Journal(const std::string& kind) const {
    std::vector<nlohmann::json> fields;
    for (const auto& r : records)
      if (r["type"] == "journal" && r["kind"] == kind) fields.push_back(r["fields"]);
    return fields;
  }
};

// Runs M8SIM_PATH with the arguments (a shell command line).
inline ProgramRun RunM8sim(const std::string& args) {
  ProgramRun run;
  std::string command = std::string(M8SIM_PATH) + " " + args;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::string out;
  char chunk[4096];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, got);
  int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    run.records.push_back(nlohmann::json::parse(out.substr(start, end - start)));
    start = end + 1;
  }
  return run;
}
