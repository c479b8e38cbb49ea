// A handset home while a panel serves it: one panel at a time, and a journal file that every
// process working on the handset appends to while the panel runs.
#pragma once

#include <filesystem>

namespace m8sim {

class ServedHome {
 public:
  // Claims the home for a panel (home/panel.lock) and starts its journal file (home/
  // journal.jsonl) empty. Throws Failure when another panel serves it or the files cannot be
  // made.
  explicit ServedHome(std::filesystem::path home);
  // Removes the journal file, so that nothing more is appended to it, and lets the home go.
  ~ServedHome();
  ServedHome(const ServedHome&) = delete;
  ServedHome& operator=(const ServedHome&) = delete;

 private:
  std::filesystem::path home_;
  int lock_ = -1;
};

// The folder of the panel's page: $M8SIM_PANEL_FILES, else the sources' folder.
std::filesystem::path PanelFiles();

}  // namespace m8sim
