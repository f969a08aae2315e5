// How the core tells the user something: the fixed modal message boxes of the
// device link and of the file procedures, without the core knowing any window.
#pragma once

#include <string>

enum class MessageIcon {
  None,         // no icon (the power-cycle notice, a failed service-mode write)
  Stop,         // port, protocol and file failures
  Exclamation,  // service-mode answers and the command limit
  Information,
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;

  // Shows text under caption with icon and an OK button, and returns when the
  // user has confirmed it. Both strings are single-byte Windows-1252 text.
  virtual void ShowMessage(const std::string& text, const std::string& caption,
                           MessageIcon icon) = 0;
};
