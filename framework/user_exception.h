// The user's "stop": an exception that ends a command handler without a report.
#pragma once

#include <exception>

namespace afx {

/// Thrown when the user stopped what a handler was doing, such as by pressing Cancel in a
/// progress dialog. CWnd::SendMessage ends the handler silently when it catches one.
class CUserException : public std::exception {
 public:
  const char* what() const noexcept override { return "The user stopped the operation."; }
};

[[noreturn]] inline void AfxThrowUserException() {
  throw CUserException();
}

}  // namespace afx
