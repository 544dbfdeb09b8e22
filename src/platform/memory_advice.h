// Telling the system how the program will use a large buffer.
#pragma once

#include <cstddef>

namespace solvina {

// The buffer is large and will be filled whole (a long line): backed by huge pages where the
// system lets a program ask for them, it costs a page fault every 2 MiB instead of every 4 KiB.
// Only the part not written yet should be given; advice that is not taken changes nothing.
void adviseFilledWhole(void* data, std::size_t size);

// Large blocks of memory (a long line's buffer, a site's lists) each get their own mapping,
// given back to the system when freed. The C library otherwise raises that size to the largest
// block freed, and later ones stay in the heap, leaving holes that a run of many pages carries
// to its end. Called once, at the start of a program.
void keepLargeBlocksOutOfTheHeap();

} // namespace solvina
