// Test entry point: a QApplication on the offscreen platform, then GoogleTest.

#include "support/temp_folder.h"

#include <QApplication>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace kvapomer::test {
QByteArray cp1250(const QString& text) {
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}
} // namespace kvapomer::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
