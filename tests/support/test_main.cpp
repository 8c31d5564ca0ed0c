#include <gtest/gtest.h>

#include <QApplication>

// Every test program owns one QApplication, so widget tests and plain logic
// tests share a main. The platform is offscreen unless the caller chose one.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
