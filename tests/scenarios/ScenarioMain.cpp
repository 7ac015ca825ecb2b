// The scenarios run the program's widgets on Qt's offscreen platform and
// pellworth-cli as a process, both in the demo working directory, against
// simulated modules in a private port directory.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The demo data: one release per type, as an operator's first run has it.
    setenv("PELLWORTH_TEST_DATA", PELLWORTH_DEMO_DIR, 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
