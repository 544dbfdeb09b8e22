// The runs the tests make are kept in a folder of this test program's own inside the build
// folder, removed when the program ends: never in the user's own state folder (also when the
// program is started by hand), and the records of test sites, each a fresh temporary folder and
// so never among the ten a site keeps, do not pile up from one test run to the next.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class TestStateFolder {
public:
    TestStateFolder() {
        std::error_code error;
        std::filesystem::create_directories(SOLVINA_TEST_STATE_DIR, error);
        std::string pattern = SOLVINA_TEST_STATE_DIR "/run-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
            ::setenv("XDG_STATE_HOME", m_path.c_str(), 1);
        } else {
            ::setenv("XDG_STATE_HOME", SOLVINA_TEST_STATE_DIR, 0);
        }
    }
    ~TestStateFolder() {
        std::error_code error;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }
    TestStateFolder(const TestStateFolder&) = delete;
    TestStateFolder& operator=(const TestStateFolder&) = delete;

private:
    std::string m_path;
};

const TestStateFolder kStateFolder;

} // namespace
