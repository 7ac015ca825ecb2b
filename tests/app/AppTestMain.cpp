// The app tests run against simulated modules in a private port directory,
// with widgets on Qt's offscreen platform.

#include "simulator/SimulatedModule.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    // Widgets need no display; test discovery at build time runs this too,
    // without the environment the tests get.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Before any thread exists: it changes the environment.
    const auto ports = std::make_unique<sim::ScopedPortDirectory>();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
