// A scope guard: runs a function when the scope it lives in is left by any path.
//
// The converter releases every toolkit record and file it holds explicitly, as soon as it is
// done with it; the guards release whatever a failure left behind when the failure unwinds
// instead of ending the process (fuzzing builds). Release functions empty the handle they are
// given, so a guard that runs after the explicit release does nothing.
#ifndef TRIMORPH_SCOPEEXIT_H
#define TRIMORPH_SCOPEEXIT_H

#include <utility>

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

#endif  // TRIMORPH_SCOPEEXIT_H
