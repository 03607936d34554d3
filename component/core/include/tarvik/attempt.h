#pragma once

// Runs one host call with its failure ignored: the place where the component goes on after a
// host error by design. Only host errors are swallowed (and, for attemptStep, the component's own
// errors); anything else still propagates.

#include <cadhost/host_error.h>
#include <sheetcut/error.h>

#include <utility>

namespace tarvik {

// Runs f(); returns false when it raised a cadhost::HostError, true otherwise.
template <class F>
bool attempt(F&& f) {
  try {
    std::forward<F>(f)();
    return true;
  } catch (const cadhost::HostError&) {
    return false;
  }
}

// Runs f() and stores its result in out; on a host error out is left as it was.
template <class T, class F>
bool attemptGet(T& out, F&& f) {
  try {
    out = std::forward<F>(f)();
    return true;
  } catch (const cadhost::HostError&) {
    return false;
  }
}

// Runs f() as one step of a longer run that goes on after it: a host error or a component error
// (sheetcut::Error, raised by a host-driving member) skips the step. Returns false when it failed.
template <class F>
bool attemptStep(F&& f) {
  try {
    return attempt(std::forward<F>(f));
  } catch (const sheetcut::Error&) {
    return false;
  }
}

}  // namespace tarvik
