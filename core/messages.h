#pragma once
#include <string>

// How the core (and the loader) shows a modal message box with a title, a
// text and a single OK button. Show returns when the user has closed it.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void Show(const std::string& title, const std::string& text) = 0;
};
