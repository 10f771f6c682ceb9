// The window tests run headless: without a platform named in the
// environment they take the offscreen one.
#include "ui/Look.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ApplyProgramLook(app);
    app.setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
