// The message-box port of the main window.
#pragma once

#include <string>

namespace kelbrook {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning };
enum class MessageAnswer { Ok, Yes, No };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Shows a message box modal to the program and returns the button the user pressed.
    virtual MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                      MessageButtons buttons, MessageIcon icon) = 0;
};

}  // namespace kelbrook
