#include "sim/ui_library/input_panel.h"

#include <algorithm>

#include "oem/ui_library.h"
#include "sim/ui_library/ui_library_remote.h"

namespace sim {

LONG PanelHeight(DWORD mode) {
  switch (mode) {
    case SIP_MODE_LETTERS:
      return 300;
    case SIP_MODE_DIGITS:
      return 240;
    case SIP_MODE_HANDWRITING:
      return 360;
    default:
      return 0;
  }
}

void InputPanel::SetScreen(const Screen& screen) {
  std::lock_guard lock(mutex_);
  screen_ = screen;
}

Screen InputPanel::screen() {
  std::lock_guard lock(mutex_);
  return screen_;
}

PanelState InputPanel::State() {
  std::lock_guard lock(mutex_);
  return state_;
}

void InputPanel::Restore(const PanelState& state) {
  std::lock_guard lock(mutex_);
  state_ = state;
  // A place kept for another screen that this one cannot hold docks the panel again.
  if (state_.top < 0 || state_.top + PanelHeight(state_.mode) > screen_.height) state_.top = 0;
}

void InputPanel::SetSaver(std::function<void(const PanelState&)> saver) {
  std::lock_guard lock(mutex_);
  saver_ = std::move(saver);
}

RECT InputPanel::PanelRectLocked() const {
  if (!state_.open()) return RECT{};
  LONG height = PanelHeight(state_.mode);
  LONG top = state_.top ? state_.top : screen_.height - height;
  return RECT{0, top, screen_.width, top + height};
}

RECT InputPanel::WorkArea() {
  std::lock_guard lock(mutex_);
  LONG bottom = std::max<LONG>(0, screen_.height - screen_.taskbar_height);
  if (state_.open() && !(state_.flags & SIP_FLAG_FLOAT))
    bottom = std::clamp<LONG>(PanelRectLocked().top, 0, bottom);
  return bottom ? RECT{0, 0, screen_.width, bottom} : RECT{};
}

RECT InputPanel::VisibleDesktop() {
  std::lock_guard lock(mutex_);
  LONG bottom = state_.open() ? std::max<LONG>(0, PanelRectLocked().top) : screen_.height;
  return bottom ? RECT{0, 0, screen_.width, bottom} : RECT{};
}

RECT InputPanel::PanelRect() {
  std::lock_guard lock(mutex_);
  return PanelRectLocked();
}

RECT InputPanel::Open(DWORD mode, DWORD flags, const char16_t* text) {
  std::lock_guard lock(mutex_);
  if (!PanelHeight(mode)) return RECT{};
  // A panel moved up keeps its place when it changes layout, unless the new one is too tall.
  if (state_.top && state_.top + PanelHeight(mode) > screen_.height) state_.top = 0;
  state_.mode = mode;
  state_.flags = flags;
  state_.text = text ? text : u"";
  Changed();
  return PanelRectLocked();
}

void InputPanel::Close() {
  std::lock_guard lock(mutex_);
  state_.mode = SIP_MODE_CLOSED;
  state_.flags = 0;
  state_.top = 0;
  state_.text.clear();
  Changed();
}

bool InputPanel::Move(DWORD top) {
  std::lock_guard lock(mutex_);
  if (!state_.open()) return false;
  if (top > static_cast<DWORD>(screen_.height) ||
      static_cast<LONG>(top) + PanelHeight(state_.mode) > screen_.height)
    return false;
  state_.top = static_cast<LONG>(top);
  Changed();
  return true;
}

void InputPanel::CountCopy() {
  std::lock_guard lock(mutex_);
  ++state_.copies;
  Changed();
}

UINT InputPanel::Param(UINT id) {
  std::lock_guard lock(mutex_);
  switch (id) {
    case MZ_PARAM_SCREEN_WIDTH:
      return static_cast<UINT>(screen_.width);
    case MZ_PARAM_SCREEN_HEIGHT:
      return static_cast<UINT>(screen_.height);
    case MZ_PARAM_TASKBAR_HEIGHT:
      return static_cast<UINT>(screen_.taskbar_height);
    case MZ_PARAM_SIP_HEIGHT:
      return static_cast<UINT>(PanelHeight(state_.mode));
    default:
      return 0;
  }
}

void InputPanel::Changed() {
  if (saver_) saver_(state_);
}

std::optional<std::vector<uint8_t>> InputPanel::Answer(const std::vector<uint8_t>& call) {
  return AnswerUiLibraryCall(call);
}

std::shared_ptr<InputPanel> CurrentInputPanel() {
  return cehost::CurrentProgramState<InputPanel>(kInputPanelProgram);
}

std::string PanelModeName(DWORD mode) {
  switch (mode) {
    case SIP_MODE_CLOSED:
      return "closed";
    case SIP_MODE_LETTERS:
      return "letters";
    case SIP_MODE_DIGITS:
      return "digits";
    case SIP_MODE_HANDWRITING:
      return "handwriting";
    default:
      return "mode " + std::to_string(mode);
  }
}

}  // namespace sim
