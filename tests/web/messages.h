#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/ui.h"

namespace tarnwick::web_test {

struct Message {
  std::string text, caption;
  bool operator==(const Message&) const = default;
};

// Records every message box instead of showing it, for as long as it lives.
class MessageRecorder {
 public:
  MessageRecorder() : saved_(std::move(ui::message_box)) {
    ui::message_box = [this](const std::string& text, const std::string& caption) {
      shown.push_back({text, caption});
    };
  }
  ~MessageRecorder() { ui::message_box = std::move(saved_); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<Message> shown;

 private:
  std::function<void(const std::string&, const std::string&)> saved_;
};

}  // namespace tarnwick::web_test
