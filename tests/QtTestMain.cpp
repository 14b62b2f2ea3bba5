// Test main for programs that need a QApplication (offscreen unless QT_QPA_PLATFORM says
// otherwise).
#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
