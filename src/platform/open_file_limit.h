// How many files a process may hold open: a run holds each of its target folders open, and a
// large first copy may have thousands.
#pragma once

#include <cstddef>

namespace parlowen {

// Raises this process's soft limit to its hard one; called first thing in main().
void raiseOpenFileLimit();

// How many more descriptors a run may take for itself: half of what the limit leaves.
std::size_t openFileBudget();

} // namespace parlowen
