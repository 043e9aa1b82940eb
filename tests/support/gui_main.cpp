// main() for tests that need a QApplication: the platform comes from the
// test's environment (QT_QPA_PLATFORM=offscreen in CTest).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
