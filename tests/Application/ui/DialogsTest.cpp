#include "Application/ui/About.h"
#include "Application/ui/MessageDlg.h"
#include "Application/ui/ShowMessage.h"

#include "Platform/forms/Messages.h"
#include "tests/support/ModalHooks.h"

#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"
#include "Platform/os/VersionResources.h"
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace vrx::forms;
using vrx::test::ScopedModalHook;

namespace {

struct AnswerCase {
    const char* how;
    std::function<void(TfrmMessageDlg&)> act;
    int answer;
};

class MessageDlgAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

} // namespace

TEST_P(MessageDlgAnswerTest, AnswerFollowsHowTheWindowWasClosed) {
    auto* dlg = Create<TfrmMessageDlg>(nullptr);
    EXPECT_EQ(dlg->Answer(), 2);
    dlg->lblMsg->SetCaption("是否删除这条规则？");
    ScopedModalHook hook([&](TForm&) {
        GetParam().act(*dlg);
        return mrNone;
    });
    dlg->ShowModal();
    EXPECT_EQ(dlg->Answer(), GetParam().answer);
    dlg->Free();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, MessageDlgAnswerTest,
    ::testing::Values(
        AnswerCase{"yes",
                   [](TfrmMessageDlg& d) { QTest::mouseClick(d.btnYes->Widget(), Qt::LeftButton); },
                   6},
        AnswerCase{"no",
                   [](TfrmMessageDlg& d) { QTest::mouseClick(d.btnNo->Widget(), Qt::LeftButton); },
                   7},
        AnswerCase{"desktop close", [](TfrmMessageDlg& d) { d.Widget()->close(); }, 2},
        AnswerCase{"escape",
                   [](TfrmMessageDlg& d) {
                       QTest::keyClick(d.Widget(), Qt::Key_Escape);
                       EXPECT_EQ(d.ModalResult(), mrCancel); // closed by the key itself
                   },
                   2},
        AnswerCase{"nothing pressed", [](TfrmMessageDlg&) {}, 2}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(MessageDlgTest, LayoutAsDescribed) {
    auto* dlg = Create<TfrmMessageDlg>(nullptr);
    EXPECT_EQ(dlg->Width(), 300);
    EXPECT_EQ(dlg->Height(), 160);
    EXPECT_EQ(dlg->Position(), TPosition::poDesktopCenter);
    EXPECT_EQ(dlg->lblTitle->Caption(), "VORNEX防火墙提示信息");
    EXPECT_EQ(dlg->lblTitle->Font().Color, clWhite);
    EXPECT_EQ(dlg->lblTitle->Font().Height, 16);
    EXPECT_EQ(dlg->lblTitle->Left(), 40);
    EXPECT_EQ(dlg->Image1->ClientRect(), (TRect{0, 0, 31, 31}));
    EXPECT_EQ(dlg->lblMsg->Width(), 250);
    EXPECT_TRUE(dlg->lblMsg->WordWrap());
    EXPECT_EQ(dlg->btnYes->Caption(), "确定");
    EXPECT_EQ(dlg->btnNo->Caption(), "取消");
    EXPECT_EQ(dlg->btnNo->Left(), 174);
    EXPECT_EQ(dlg->btnNo->Color(), 0x056D00u);
    EXPECT_EQ(dlg->btnNo->CornerRadius(), 10);
    EXPECT_EQ(dlg->BorderStyle(), TFormBorderStyle::bsNone); // the skin is on
    EXPECT_FALSE(dlg->WindowRegion().isEmpty());
    dlg->Free();
}

TEST(MessageTest, OneButtonClosesIt) {
    auto* msg = Create<TfrmMessage>(nullptr);
    EXPECT_EQ(msg->Width(), 318);
    EXPECT_EQ(msg->Height(), 172);
    EXPECT_EQ(msg->lblTitle->Left(), 48);
    EXPECT_EQ(msg->btnYes->Width(), 64);
    msg->lblMsg->SetCaption("规则已保存。");
    bool shown = false;
    ScopedModalHook hook([&](TForm& f) {
        shown = f.Visible();
        QTest::mouseClick(msg->btnYes->Widget(), Qt::LeftButton);
        return mrNone;
    });
    msg->ShowModal();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(msg->Visible());
    msg->Free();
}

TEST(AboutTest, VersionLabelAndEveryWayToClose) {
    // The running program's own version, as the host reports it.
    vrx::os::ScopedService<vrx::os::SystemInfo> info(&vrx::os::Services::systemInfo,
                                                     &vrx::os::hostSystemInfo());
    vrx::os::ScopedService<vrx::os::VersionResources> versions(&vrx::os::Services::versionResources,
                                                               &vrx::os::hostVersionResources());
    auto* about = Create<TfrmAbout>(nullptr);
    EXPECT_EQ(about->lblVersion->Caption(), "Ver 2.4.8");
    EXPECT_EQ(about->lblClose->Caption(), "关闭");
    EXPECT_EQ(about->lblClose->Font().Color, 0x00D500u);
    EXPECT_EQ(about->FormStyle(), TFormStyle::fsStayOnTop);
    EXPECT_EQ(about->imgLogo->Height(), 174);
    EXPECT_EQ(about->imgLogo->Cursor(), crHandPoint);
    for (TControl* target :
         {static_cast<TControl*>(about->imgLogo), static_cast<TControl*>(about->lblClose),
          static_cast<TControl*>(about->lblVersion)}) {
        about->Show();
        QTest::mouseClick(target->Widget(), Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_FALSE(about->Visible()) << target->Name();
    }
    about->Free();
}
