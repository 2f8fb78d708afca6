#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/key_decoder.h"
#include "platform/terminal_output.h"

struct screen;  // the terminal library's screen

namespace zem::platform {

// The console on a real terminal (standard input and output), drawn through ncursesw. The 80 ×
// 25 screen stands in the terminal's top-left corner; a smaller terminal shows a request to
// enlarge it instead (input is then set aside) until it is large enough. Text goes out as
// UTF-8 from code page 850, colours in the terminal's order, and only the cells changed since
// the last refresh are written, in one write. Keys are read as raw bytes and decoded by
// KeyDecoder; typed UTF-8 arrives as code-page-850 characters.
class TerminalConsole : public Console {
 public:
  // Takes over the terminal. Null, with the reason in *error, when standard input or output is
  // not a terminal or the terminal type is unknown. Installs the terminal guards.
  static std::unique_ptr<TerminalConsole> Open(std::string* error = nullptr);
  ~TerminalConsole() override;
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  // Draws pending changes, then takes one event. When nothing is pending it waits a few
  // milliseconds for input, so that a caller polling in a loop does not keep a processor busy.
  bool PollEvent(InputEvent* event) override;
  void DiscardInput() override;
  bool HasMouse() const override { return has_mouse_; }
  void SetMouseReporting(bool on) override { mouse_wanted_ = on; }
  void Beep() override;
  void Refresh() override;
  void Suspend() override;
  void Resume() override;
  // Keeps the text and also offers it to the terminal's clipboard (OSC 52) where the terminal
  // understands that.
  void SetClipboardText(std::string_view text) override;

  // How long PollEvent waits for input when nothing is pending.
  static constexpr int kIdleWaitMs = 10;

 private:
  TerminalConsole() = default;
  bool Start(std::string* error);
  void ReadInput(int timeout_ms);
  bool NextEvent(InputEvent* event);
  void FollowTerminalSize();
  void Draw();
  void ApplyModes();

  ::screen* screen_ = nullptr;
  KeyDecoder decoder_;
  Frame shown_{};
  bool shown_valid_ = false;
  bool showing_request_ = false;
  bool suspended_ = false;
  Placement placement_;
  int terminal_rows_ = 0;
  int terminal_columns_ = 0;
  int colours_ = 0;
  bool has_mouse_ = false;
  bool mouse_wanted_ = false;
  bool mouse_on_ = false;
  bool clipboard_escape_ = false;
  std::string cursor_shape_sequence_;  // DECSCUSR template, empty when unknown
  std::string cursor_reset_;
  int shape_sent_ = -1;
  int visibility_ = -1;
};

}  // namespace zem::platform
