#pragma once

#include <cstddef>
#include <cstdint>

// One fuzz target: feeds `data` to a family of decoders as the server could send it. Inputs the decoders
// refuse (their own exceptions) end quietly; anything else escaping, a crash or a sanitizer report, is a bug.
// Always returns 0.
int qvlFuzz(const uint8_t *data, size_t size);
