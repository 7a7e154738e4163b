// Whole conversions run in a forked child of the test process: the same code as the program,
// without starting a program per case, so that a test can run thousands of them.
#ifndef TRIMORPH_TESTS_CONVERTINCHILD_H
#define TRIMORPH_TESTS_CONVERTINCHILD_H

#include <functional>
#include <string>
#include <vector>

#include "Subprocess.h"

// Runs the program's entry point with the arguments (the program name not included) in a
// child with a clean toolkit error list; prepare, when given, runs in the child first (to set
// a umask or a resource limit). The child's status is the program's. Windows has no fork: there
// the built program runs the conversion, and a test with prepare is skipped
// (SKIP_WITHOUT_FORK).
//
// The child ends through exit, as the program does, so that in sanitizer builds the leak check
// runs on successful and failed conversions alike. That check costs more than a small
// conversion; with checkLeaks false the child ends at the start of exit's work instead (after
// the handlers the conversion registered), for tests that run thousands of conversions and
// check leaks in a sample of them.
ChildResult ConvertInChild(const std::vector<std::string>& args,
                           int timeoutSeconds = HANG_GUARD_SECONDS,
                           const std::function<void()>& prepare = {}, bool checkLeaks = true);

// How much slower the build under test runs than a plain one: sanitizers make every conversion
// several times slower, and hang guards for long runs of conversions scale with it.
int BuildSlowness();

#endif  // TRIMORPH_TESTS_CONVERTINCHILD_H
