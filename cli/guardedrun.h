#pragma once

#include <functional>

// Runs one command of the tool and returns its exit status. An exception that escapes the
// command ends the run with a message on standard error and kExitFailed instead of an abnormal
// end: running out of memory (a large search under strict overcommit) says so, any other error
// gives its own text.
int RunGuarded(const std::function<int()> &command);
