// Letting a thread run only on what the others leave of the processors.
#pragma once

namespace solvina {

// The calling thread's work can wait (old records deleted beside a run): it gets the lowest
// priority, so that the threads a run waits for keep their processors. Nothing happens where
// the system does not allow it.
void lowerThisThreadsPriority();

} // namespace solvina
