#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// The one main of every test binary. Window tests need an application object; they run on the
// offscreen platform unless the caller chose another (a virtual display, for screenshots).
// Tests install the platform services they use themselves (ScopedService), so no test depends
// on what another one left behind.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
