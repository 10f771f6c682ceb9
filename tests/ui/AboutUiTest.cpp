// The about box: its texts and picture, and that it keeps the main window
// disabled from its showing until OK or its close box.
#include "UiTestSupport.h"

#include "ui/AboutForm.h"
#include "ui/SettingForm.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class About : public testing::Test {
protected:
    void SetUp() override {
        w.Create(folder);
        w.Show();
        about = w->AboutForm();
        ASSERT_NE(about, nullptr);
    }

    ProgramFolder folder;
    Window w;
    TAboutForm* about = nullptr;
};

TEST_F(About, TextsAndPicture) {
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_FALSE(about->isVisible()) << "created hidden";
    EXPECT_EQ(about->labProgramName->text(), "Tarvolin PSP Video Converter");
    EXPECT_EQ(about->labVersion->text(), "Version 3.0");
    EXPECT_EQ(about->btnOK->text(), "&OK");
    // The whole name shows, right-aligned up to x = 460.
    EXPECT_EQ(about->labProgramName->geometry().right(), 459);
    EXPECT_GE(about->labProgramName->width(), about->labProgramName->sizeHint().width());
    EXPECT_EQ(about->Image1->pixmap().size(), QSize(476, 330));
}

TEST_F(About, OkAndTheCloseBoxGiveTheMainWindowBackAndTheSameBoxOpensAgain) {
    // The small button bar's "About" runs the command.
    w.Find<QToolButton>("SpeedButton1")->click();
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal()) << "shown without waiting";
    EXPECT_FALSE(w->isEnabled());
    // A click on the disabled main window's buttons does nothing.
    QTest::mouseClick(w.Find<QToolButton>("sbtnOptions"), Qt::LeftButton);
    EXPECT_FALSE(w->SettingForm()->isVisible());

    about->btnOK->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(w->isEnabled());

    w.Find<QAction>("tbtnAbout")->trigger();
    EXPECT_EQ(w->AboutForm(), about) << "the same box";
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(w->isEnabled());
    EXPECT_EQ(about->labVersion->text(), "Version 3.0");
    EXPECT_EQ(about->labProgramName->text(), "Tarvolin PSP Video Converter");
    // The title bar's close box.
    about->windowHandle()->close();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(w->isEnabled());

    w.Find<QAction>("tbtnAbout")->trigger();
    EXPECT_EQ(w->AboutForm(), about);
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(w->isEnabled());
}

} // namespace
