#pragma once
// Thrown by the scripted dialogs when a test did not script what the code under
// test asked for. Deliberately not a PlatformError, so the program's own
// handlers for dialog failures do not swallow a broken test script.

#include <stdexcept>
#include <string>

class ScriptedDialogError : public std::logic_error {
public:
    explicit ScriptedDialogError(const std::string& what) : std::logic_error(what) {}
};
