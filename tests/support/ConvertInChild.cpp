// Whole conversions in a forked child of the test process, or on Windows in the program.
#include "ConvertInChild.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>

#include "Trimorph.h"
#include "toolkit3ds_internal.h"

#ifdef _WIN32

ChildResult ConvertInChild(const std::vector<std::string>& args, int timeoutSeconds,
                           const std::function<void()>& prepare, bool) {
  if (prepare) {
    ADD_FAILURE() << "a child prepared before the conversion needs fork, which Windows lacks: "
                     "the test must be skipped there (SKIP_WITHOUT_FORK)";
    return ChildResult();
  }
  return RunTrimorph(args, "", timeoutSeconds);
}

#else

namespace {

// Registered after everything the conversion's start registers, it runs before them all; the
// handlers the conversion registers later (its temporary output file) run before it.
void EndWithoutLeakCheck(int status, void*) {
  fflush(stdout);
  _exit(status);
}

}  // namespace

ChildResult ConvertInChild(const std::vector<std::string>& args, int timeoutSeconds,
                           const std::function<void()>& prepare, bool checkLeaks) {
  return RunInChild(
      [&] {
        if (prepare) prepare();
        if (!checkLeaks) on_exit(EndWithoutLeakCheck, nullptr);
        ResetErrorList3ds();
        std::vector<std::string> argv = {"trimorph"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (std::string& a : argv) cargv.push_back(&a[0]);
        cargv.push_back(nullptr);
        // Through exit, as the program ends, so that leak checking sees a successful run too.
        fflush(stdout);
        exit(TrimorphMain(int(argv.size()), cargv.data()));
      },
      timeoutSeconds);
}

#endif

int BuildSlowness() {
#if defined(__SANITIZE_ADDRESS__)
  return 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return 4;
#else
  return 1;
#endif
#else
  return 1;
#endif
}
