#include "Platform/forms/Application.h"

#include "Platform/forms/Form.h"
#include "Platform/forms/Timer.h"
#include "tests/support/ModalHooks.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace vrx::forms;
using vrx::test::ScopedMessageBoxHook;

TEST(ApplicationTest, MessageBoxIsAnsweredByTheHook) {
    ScopedMessageBoxHook boxes(IDNO);
    Application->SetTitle("VORNEX防火墙个人版");
    EXPECT_EQ(Application->MessageBox("无法打开驱动程序！", "", MB_YESNO), IDNO);
    ShowMessage("notice");
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[0].text, "无法打开驱动程序！");
    EXPECT_EQ(boxes.asked[0].flags, MB_YESNO);
    EXPECT_EQ(boxes.asked[1].caption, "VORNEX防火墙个人版");
}

TEST(ApplicationTest, EscapedExceptionsGetTheStandardErrorBox) {
    ScopedMessageBoxHook boxes;
    Application->HandleException(std::make_exception_ptr(std::runtime_error("boom")));
    Application->HandleException(std::make_exception_ptr(42));
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[0].text, "boom");
    EXPECT_EQ(boxes.asked[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(boxes.asked[1].text.empty());
}

TEST(ApplicationTest, TimerHandlerExceptionIsShownAndTheTimerGoesOn) {
    ScopedMessageBoxHook boxes;
    TTimer timer;
    timer.SetInterval(500);
    EXPECT_TRUE(timer.Running());
    timer.OnTimer = [] { throw std::runtime_error("tick failed"); };
    timer.Tick();
    EXPECT_EQ(boxes.asked.size(), 1u);
    EXPECT_TRUE(timer.Running());
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
}

TEST(ApplicationTest, RunEndsWhenTerminatedAndFreesTheFormsItOwns) {
    bool destroyed = false;
    auto* form = new TForm(Application);
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    Application->SetShowMainForm(false);
    QTimer::singleShot(0, [] { Application->Terminate(); });
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Application->ComponentCount(), 0);
    Application->ClearTerminated();
}

TEST(ApplicationTest, TerminateEndsAModalLoopWithCancel) {
    auto* form = new TForm(nullptr);
    QTimer::singleShot(0, [] { Application->Terminate(); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    Application->ClearTerminated();
    form->Free();
}

TEST(ApplicationTest, MinimiseAndHideTheApplicationWindow) {
    auto* form = new TForm(nullptr);
    form->Show();
    Application->Minimize();
    Application->HideWindow();
    EXPECT_TRUE(Application->Minimized());
    EXPECT_FALSE(Application->WindowVisible());
    Application->BringToFront();
    EXPECT_FALSE(Application->Minimized());
    EXPECT_TRUE(Application->WindowVisible());
    form->Free();
}
