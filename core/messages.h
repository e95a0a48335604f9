#pragma once
#include <string>

// The one way the machine and the loader talk to the user: a titled message
// that the user must acknowledge. The call blocks until they have, so the
// caller can go on knowing the message was seen.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void Show(const std::string& title, const std::string& text) = 0;
};
