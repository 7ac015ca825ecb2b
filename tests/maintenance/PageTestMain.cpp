// Widget tests need a QApplication. Test discovery runs this binary without
// the test environment, so offscreen is the default.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A results log written by a page's services never reaches the home of
    // whoever runs the tests.
    std::string state =
        (std::filesystem::temp_directory_path() / "pellworth-pages-XXXXXX").string();
    if (mkdtemp(state.data()) == nullptr)
        return 1;
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(state, ignored);
    return result;
}
