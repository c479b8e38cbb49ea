// The handset's soft input panel and the screen areas around it, as the UI library "VERA0960.dll"
// keeps them: scriptable by tests and tools. The UI library's functions answer from the panel
// installed on the current handset.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ce/geometry.h"
#include "ce/types.h"
#include "cehost/programs.h"

namespace sim {

// The name the panel is installed under on a handset (and its handset.toml table).
inline constexpr char kInputPanelProgram[] = "sip";

// The screen the panel lies on: this handset's is 480 by 720 pixels, with a task bar along the
// bottom edge.
struct Screen {
  LONG width = 480;
  LONG height = 720;
  LONG taskbar_height = 64;
};

// What the panel holds between two calls (and two runs, in state.json).
struct PanelState {
  // SIP_MODE_CLOSED, or the layout it is open in.
  DWORD mode = 0;
  // The flags it was opened with.
  DWORD flags = 0;
  // The y of its top edge when moved by SetSipWindowPos; 0 when docked at the bottom.
  LONG top = 0;
  // The text it was opened with by MzOpenSipEx.
  std::u16string text;
  // How many times the copy information was sent to the A4 panel.
  DWORD copies = 0;

  bool open() const { return mode != 0; }
  bool operator==(const PanelState&) const = default;
};

// The height of the panel in a layout; 0 for a mode that is no layout.
LONG PanelHeight(DWORD mode);

// The mode as people read it: "closed", "letters", "digits", "handwriting", else "mode N".
std::string PanelModeName(DWORD mode);

class InputPanel : public cehost::ProgramState {
 public:
  // Answers a UI library call that a program attached to the handset's server made.
  std::optional<std::vector<uint8_t>> Answer(const std::vector<uint8_t>& call) override;
  // The screen; set before the panel is used.
  void SetScreen(const Screen& screen);
  Screen screen();
  // What the panel holds now.
  PanelState State();
  // Puts the panel in a state, without telling the saver; a moved panel that would leave the
  // screen is docked.
  void Restore(const PanelState& state);
  // Called with the new state, under the panel's lock, after every change.
  void SetSaver(std::function<void(const PanelState&)> saver);

  // The screen less the task bar and, while open and docked or moved (not floating), the panel.
  RECT WorkArea();
  // The screen above the open panel; the whole screen while it is closed.
  RECT VisibleDesktop();
  // The rectangle the open panel occupies; all zero while closed.
  RECT PanelRect();
  // Opens in a layout with flags and text; the panel's rectangle, or all zero (and no change)
  // for a mode that is no layout.
  RECT Open(DWORD mode, DWORD flags, const char16_t* text);
  // Closes and docks it.
  void Close();
  // Moves the open panel's top edge (0 docks it); false when closed or it would leave the screen.
  bool Move(DWORD top);
  // Counts one sending of the copy information.
  void CountCopy();
  // A screen parameter by its MZ_PARAM_ identifier; 0 for one it does not know.
  UINT Param(UINT id);

 private:
  RECT PanelRectLocked() const;
  void Changed();

  std::mutex mutex_;
  Screen screen_;
  PanelState state_;
  std::function<void(const PanelState&)> saver_;
};

// The panel installed on the current handset, or null.
std::shared_ptr<InputPanel> CurrentInputPanel();

}  // namespace sim
