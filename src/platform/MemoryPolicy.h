#pragma once

#include <cstddef>

// How the process's C heap hands freed memory back to the system.
//
// glibc's allocator adapts its thresholds to the program by default: each large block it frees raises the
// size above which blocks are mapped on their own (up to 32 MB) and, with it, how much free memory may sit at
// the top of a heap before it is trimmed (up to 64 MB). One decoded photo or one run of the text recognizer
// is enough to raise both for the rest of the process, and from then on what a closed screen freed stays
// resident: the recognizer's worker heap kept some 25 MB after its engine was released, which malloc_trim()
// does not return (it gives back the top of the main heap only, never that of a thread's heap). Fixed
// thresholds keep every heap's top trimmed and every large block (a picture, a pixel buffer) mapped on its
// own, so that freeing it unmaps it.
namespace MemoryPolicy {

// Blocks from this size up are mapped on their own; free memory above this at the top of a heap is returned.
inline constexpr std::size_t kThresholdBytes = std::size_t(1) << 20;

// Fixes the thresholds for the whole process. Call once, first thing in main (before other threads run).
void apply();

} // namespace MemoryPolicy
