#pragma once

#include "ui/ui.h"

namespace tarnwick::web_test {

using Message = std::pair<std::string, std::string>;  // text, caption

// Records every message box instead of showing it, for as long as it lives.
struct MessageRecorder {
  MessageRecorder() {
    ui::message_box = [this](const std::string& text, const std::string& caption) {
      shown.emplace_back(text, caption);
    };
  }
  ~MessageRecorder() { ui::message_box = saved; }

  decltype(ui::message_box) saved = ui::message_box;
  std::vector<Message> shown;
};

}  // namespace tarnwick::web_test
