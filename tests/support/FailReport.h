// Checking that code ends the process through Fail with a given report.
#ifndef TRIMORPH_TESTS_FAILREPORT_H
#define TRIMORPH_TESTS_FAILREPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Fail.h"
#include "Subprocess.h"

// Runs fn in a child process after setting the progress context to context, and expects the
// failure report "While <context>" followed by message (or "Unexpected error occurred" when
// message is null) and the failure exit status.
inline ::testing::AssertionResult FailsWith(const std::function<void()>& fn, const char* context,
                                            const char* message) {
  ChildResult r = RunInChild([&] {
    SetContext("%s", context);
    fn();
  });
  std::string expected = std::string("While ") + context + "\n" +
                         (message ? message : "Unexpected error occurred") + "\n";
  if (!r.exited || r.status != 251) {
    return ::testing::AssertionFailure()
           << "child did not fail: exited " << r.exited << " status " << r.status << " signal "
           << r.signal << " timed out " << r.timedout << " output:\n"
           << r.out;
  }
  if (r.out != expected) {
    return ::testing::AssertionFailure() << "report:\n" << r.out << "expected:\n" << expected;
  }
  return ::testing::AssertionSuccess();
}

#endif  // TRIMORPH_TESTS_FAILREPORT_H
