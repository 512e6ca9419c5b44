// The one way a message reaches the user: whoever runs the program installs a sink (a warning
// box, stderr, a test's recorder); the text is the catalogue entry of the number.
#pragma once

#include <functional>
#include <string>

namespace tunvex {

using MessageSink = std::function<void(unsigned id, const std::string& text)>;

// Returns the sink it replaces. Without a sink, messages go to stderr.
MessageSink SetMessageSink(MessageSink sink);
void ShowMessage(unsigned id);
// The text on stderr after the program's name: a message with no window to show it in.
void PrintProgramMessage(const std::string& text);

}  // namespace tunvex
