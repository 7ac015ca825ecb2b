// The app tests run against simulated modules in a private port directory,
// with widgets on Qt's offscreen platform, in a private working directory
// that also holds their results log (XDG_STATE_HOME).

#include "simulator/SimulatedModule.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    // Widgets need no display; test discovery at build time runs this too,
    // without the environment the tests get.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Before any thread exists: it changes the environment.
    const auto ports = std::make_unique<sim::ScopedPortDirectory>();
    // The program's working directory: the demo data's "types" and a "version".
    std::string dir = (fs::temp_directory_path() / "pellworth-app-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr)
        return 1;
    const char* data = std::getenv("PELLWORTH_TEST_DATA");
    fs::create_directory_symlink(fs::path(data && *data ? data : PELLWORTH_DATA_DIR) / "types",
                                 fs::path(dir) / "types");
    std::ofstream(fs::path(dir) / "version") << "0.44 test";
    fs::current_path(dir);
    // The program's results log goes here, never into the home of whoever runs the tests.
    setenv("XDG_STATE_HOME", (fs::path(dir) / "state").c_str(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return result;
}
