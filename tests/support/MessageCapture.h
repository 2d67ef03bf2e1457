#pragma once
// Collects the message boxes shown while it lives, each answered OK.
#include <string>
#include <vector>

#include "platform/Hooks.h"

namespace testsupport {

class MessageCapture {
 public:
  MessageCapture()
      : previous_(platform::SetMessageHook([this](const std::string& text, const std::string&, unsigned) {
          texts.push_back(text);
          return platform::kIdOk;
        })) {}
  ~MessageCapture() { platform::SetMessageHook(previous_); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  std::vector<std::string> texts;

 private:
  platform::MessageHook previous_;
};

}  // namespace testsupport
