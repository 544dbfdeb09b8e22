// The runs the tests make are kept in the build folder, never in the user's own state folder,
// also when the test program is started by hand.
#include <cstdlib>

namespace {
const bool kStateFolderSet = ::setenv("XDG_STATE_HOME", SOLVINA_TEST_STATE_DIR, 0) == 0;
} // namespace
