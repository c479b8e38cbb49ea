// Running m8sim in-process on a home of the test's own, and reading what it printed.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "m8sim.h"

struct CliResult {
  int code;
  std::string out;
  std::string err;
  // The JSON records of the output, one a line.
  std::vector<nlohmann::json> Records() const {
    std::vector<nlohmann::json> records;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
      records.push_back(nlohmann::json::parse(line));
    return records;
  }
  // The "text" fields of the journal records of one kind (with --json).
  std::vector<std::string> JournalTexts(const std::string& kind) const {
    std::vector<std::string> texts;
    for (const auto& r : Records())
      if (r["type"] == "journal" && r["kind"] == kind)
        texts.push_back(r["fields"].value("text", ""));
    return texts;
  }
};

// Runs m8sim with the arguments on the handset in home.
inline CliResult RunCli(const std::filesystem::path& home, std::vector<std::string> args) {
  args.insert(args.begin(), {"--handset", home.string()});
  std::ostringstream out;
  std::ostringstream err;
  int code = m8sim::Run(args, out, err);
  return {code, out.str(), err.str()};
}
