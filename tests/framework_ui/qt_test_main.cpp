// gtest_main makes no QApplication; the window tests need one before the first widget.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Also when the test list is read at build time, outside CTest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
