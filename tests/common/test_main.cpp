#include <QApplication>
#include <gtest/gtest.h>

// Every test program runs inside one QApplication, offscreen unless told otherwise, so that
// widget tests and plain tests share the same main.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
