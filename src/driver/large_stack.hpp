// Running interpreter work on a thread with a very large stack.
//
// The recursive-descent parser recurses once per level of source nesting,
// so deeply nested programs need far more stack than a process's main
// thread gets by default.
#pragma once

#include <cstddef>
#include <functional>

namespace quorl {

inline constexpr size_t kLargeStackBytes = size_t{1} << 30;  // 1 GiB

// Runs work on a fresh thread whose stack is kLargeStackBytes and waits for
// it to finish.  When no such thread can be created, runs work inline.
void runWithLargeStack(const std::function<void()>& work);

}  // namespace quorl
