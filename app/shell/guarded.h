#pragma once
// Running a handler so that a failure it does not catch itself ends only that
// handler and goes to the program's error report (application.h), instead of
// unwinding through Qt's event dispatch.

#include <exception>

// Reports through the running TavroApplication (or only logs without one).
void reportUncaughtFailure(const std::exception& failure);

template <class Handler>
void runGuarded(Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& failure) {
        reportUncaughtFailure(failure);
    }
}
