#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace solvina {

void lowerThisThreadsPriority() {
#ifdef __linux__
    // On Linux the niceness belongs to each thread: the thread's id sets its own alone.
    constexpr int kLowest = 19;
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kLowest);
#endif
}

} // namespace solvina
