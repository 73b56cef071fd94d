#pragma once
// 64-bit position helpers for stdio streams: terrain grids and world values
// can be larger than a 32-bit long (the Windows long) can address. None of
// them touches the stream's end-of-file indicator, which the readers rely on.
#include <cstdint>
#include <cstdio>

namespace filestream {

// Bytes between the current position and the end of a regular file; -1 when
// the stream cannot tell (a pipe, a device).
int64_t remainingBytes(std::FILE* f);

// Moves the position forward by n bytes (past the end is allowed, as with
// fseek, which clears the end-of-file indicator); false if it cannot seek.
bool skip(std::FILE* f, uint64_t n);

}  // namespace filestream
