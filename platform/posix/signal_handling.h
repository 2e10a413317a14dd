// Installing signal handlers the way a well-behaved command does.
#pragma once

#include <initializer_list>

namespace tessary::platform {

/// Makes `handler` take each of `signals`, except those that were ignored when the program
/// started (by nohup, or for a shell's background job): they stay ignored. Interrupted system
/// calls are not restarted, so that a wait can look at what the handler set.
void HandleUnlessIgnored(std::initializer_list<int> signals, void (*handler)(int)) noexcept;

}  // namespace tessary::platform
