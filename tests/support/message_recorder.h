// Records the numbers of the messages shown while it lives.
#pragma once

#include <vector>

#include "core/base/messages.h"

namespace tunvex::testing {

class MessageRecorder {
  public:
    MessageRecorder()
        : previous_(
              SetMessageSink([this](unsigned id, const std::string&) { shown.push_back(id); })) {}
    ~MessageRecorder() { SetMessageSink(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<unsigned> shown;

  private:
    MessageSink previous_;
};

}  // namespace tunvex::testing
