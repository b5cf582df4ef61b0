#include "Application/appui/KAInteractive.h"

#include "Application/core/KernalCallBack.h"
#include "Application/core/ProgramLocks.h"
#include "Application/monitor/ModuleInfor.h"
#include "Application/monitor/ProtocolDecoder.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"
#include "Platform/forms/Application.h"
#include "Platform/os/DeviceIo.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"
#include "tests/support/EventPump.h"
#include "tests/support/FakeFiles.h"
#include "tests/support/FakeIcons.h"
#include "tests/support/FakeProcesses.h"
#include "tests/support/FakeSystemInfo.h"
#include "tests/support/FakeVersionResources.h"
#include "tests/support/ModalHooks.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QImage>
#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using namespace vrx::forms;
using vrx::os::ScopedService;
using vrx::os::Services;

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kAddress = 0x0100A8C0; // 192.168.0.1 in network order

using vrx::test::pumpUntil;

/// A square PNG icon of one colour.
vrx::os::IconImage pngIcon(QRgb colour, int size = 32) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {{bytes.begin(), bytes.end()}, "png"};
}

std::string shortDate(int year, int month, int day) {
    return QLocale::system().toString(QDate(year, month, day), QLocale::ShortFormat).toStdString();
}

/// The prompt over in-memory processes, files, version resources and icons, with a port-name
/// table that names ports 23 and 80.
class KAInteractiveTest : public ::testing::Test {
protected:
    vrx::test::FakeSystemInfo info;
    vrx::test::FakeProcesses processes;
    vrx::test::FakeFiles files;
    vrx::test::FakeVersionResources versions;
    vrx::test::FakeIcons icons;
    ScopedService<vrx::os::SystemInfo> infoGuard{&Services::systemInfo, &info};
    ScopedService<vrx::os::Processes> processGuard{&Services::processes, &processes};
    ScopedService<vrx::os::Files> fileGuard{&Services::files, &files};
    ScopedService<vrx::os::VersionResources> versionGuard{&Services::versionResources, &versions};
    ScopedService<vrx::os::Icons> iconGuard{&Services::icons, &icons};
    vrx::test::ScopedMessageBoxHook boxes;
    TdxMemData protocols{"tblProtocol"};
    TProtocolDecoder decoder;
    TfrmKAInteractive* prompt = nullptr;

    KAInteractiveTest() {
        DefineProtocolFields(protocols);
        protocols.Open();
        for (const auto& [key, name] :
             {std::pair{"6-23-0", "Telnet"}, std::pair{"6-80-0", "HTTP"}}) {
            protocols.Append();
            protocols.FieldByName("cProtocol")->SetAsString(key);
            protocols.FieldByName("cName")->SetAsString(name);
            protocols.Post();
        }
        decoder.Table = &protocols;
        prompt = Create<TfrmKAInteractive>(nullptr);
        prompt->ProtocolDecoder = &decoder;
    }
    ~KAInteractiveTest() override { prompt->Free(); }

    enum class Version { None, WithDescription, WithoutDescription };

    /// A running program created on 2004-08-10.
    void addProgram(std::uint32_t pid, const std::string& path, Version version,
                    const char* description = "Mozilla Firefox") {
        processes.addProcess(pid, path);
        files.addFile(path, vrx::test::FakeFiles::fileTime(2004, 8, 10, 13, 45));
        if (version != Version::None)
            versions.addFile(path, vrx::test::FakeVersionResources::versionInfo(
                                       {{"ProductName", "Firefox"},
                                        {"FileDescription",
                                         version == Version::WithDescription ? description : ""},
                                        {"ProductVersion", "1.0.7"}}));
    }

    static TAccessRequest request(std::uint32_t operation, std::uint32_t pid,
                                  std::uint16_t port = 80) {
        TAccessRequest r;
        r.Operation = operation;
        r.ProcessId = pid;
        r.RemoteAddress = kAddress;
        r.Port = port;
        r.Status = STATUS_ACCESS_DENIED;
        return r;
    }
};

TEST_F(KAInteractiveTest, LayoutAsDescribed) {
    EXPECT_EQ(prompt->Width(), 300);
    EXPECT_EQ(prompt->Height(), 362);
    EXPECT_EQ(prompt->FormStyle(), TFormStyle::fsStayOnTop);
    EXPECT_EQ(prompt->Position(), TPosition::poDesktopCenter);
    EXPECT_EQ(prompt->Color(), 13889475u);
    EXPECT_EQ(prompt->Font().Height, 13);
    EXPECT_EQ(prompt->BorderStyle(), TFormBorderStyle::bsNone); // the skin is on
    EXPECT_FALSE(prompt->WindowRegion().isEmpty());
    EXPECT_EQ(prompt->lblTitle->Caption(), "VORNEX防火墙警告信息");
    EXPECT_EQ(prompt->lblTitle->Font().Color, clWhite);
    EXPECT_TRUE(prompt->lblTitle->Font().Style & fsBold);
    EXPECT_EQ(prompt->Label3->Caption(), "网络信息");
    EXPECT_EQ(prompt->Label1->Caption(), "文件信息");
    EXPECT_EQ(prompt->ckbAlwaysPermit->Caption(), "以后都按照这次的操作进行");
    EXPECT_EQ(prompt->btnPermit->Caption(), "允许");
    EXPECT_EQ(prompt->btnDeny->Caption(), "禁止");
    EXPECT_EQ(prompt->imgFileIcon->ClientRect(), (TRect{0, 0, 33, 33}));
    for (TMemo* memo : {prompt->mmoDesc, prompt->mmoNetInfo, prompt->mmoFileInfo})
        EXPECT_TRUE(memo->ReadOnly()) << memo->Name();
    ASSERT_TRUE(prompt->ModuleInfor);
}

struct NetInfoCase {
    std::uint32_t operation;
    std::uint16_t port;
    const char* text;
};

class KAInteractiveNetInfoTest : public KAInteractiveTest,
                                 public ::testing::WithParamInterface<NetInfoCase> {};

TEST_P(KAInteractiveNetInfoTest, TextByOperation) {
    addProgram(100, "/opt/firefox/firefox", Version::WithDescription);
    prompt->FillRequest(request(GetParam().operation, 100, GetParam().port));
    EXPECT_EQ(prompt->mmoNetInfo->Text(), GetParam().text);
    EXPECT_EQ(prompt->mmoDesc->Text(), "是否允许 Mozilla Firefox 访问网络？");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, KAInteractiveNetInfoTest,
    ::testing::Values(
        NetInfoCase{opTcpConnect, 80,
                    "操作：连接网络\r\n协议：TCP\r\n地址：192.168.0.1\r\n端口：HTTP[80]"},
        NetInfoCase{opTcpListen, 23, "操作：成为网络服务程序\r\n协议：TCP\r\n端口：Telnet[23]"},
        NetInfoCase{opUdpReceive, 5353, "操作：成为网络服务程序\r\n协议：UDP\r\n端口：5353"},
        NetInfoCase{opTcpSend, 8080,
                    "操作：发送数据包\r\n协议：TCP\r\n地址：192.168.0.1\r\n端口：8080"},
        NetInfoCase{opUdpSend, 53,
                    "操作：发送数据包\r\n协议：UDP\r\n地址：192.168.0.1\r\n端口：53"},
        NetInfoCase{5, 80, ""}, NetInfoCase{0xFFFFFFFF, 80, ""}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(KAInteractiveTest, FileInformationWithAndWithoutVersionResource) {
    const std::string date = shortDate(2004, 8, 10);
    struct Case {
        Version version;
        const char* path;
        std::string question;
        std::string fileInfo;
    };
    const Case cases[] = {
        {Version::WithDescription, "/opt/firefox/firefox", "是否允许 Mozilla Firefox 访问网络？",
         "名称：Mozilla Firefox\r\n版本：1.0.7\r\n创建：" + date +
             "\r\n路径：/opt/firefox/firefox"},
        // An empty description: the file name stands in for it, with the version kept.
        {Version::WithoutDescription, "/usr/lib/thunderbird/thunderbird-bin",
         "是否允许 thunderbird-bin 访问网络？",
         "名称：thunderbird-bin\r\n版本：1.0.7\r\n创建：" + date +
             "\r\n路径：/usr/lib/thunderbird/thunderbird-bin"},
        {Version::None, "/usr/bin/wget", "是否允许 wget 访问网络？",
         "名称：wget\r\n创建：" + date + "\r\n路径：/usr/bin/wget"},
    };
    std::uint32_t pid = 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        addProgram(++pid, c.path, c.version);
        prompt->FillRequest(request(opTcpConnect, pid));
        EXPECT_EQ(prompt->mmoDesc->Text(), c.question);
        EXPECT_EQ(prompt->mmoFileInfo->Text(), c.fileInfo);
        EXPECT_EQ(prompt->ModuleInfor->ModulePath, c.path); // what a remembered answer stores
    }
}

TEST_F(KAInteractiveTest, EndedProcessShowsNoStaleFileInformation) {
    addProgram(300, "/opt/firefox/firefox", Version::WithDescription);
    prompt->FillRequest(request(opTcpConnect, 300));
    prompt->FillRequest(request(opTcpConnect, 301)); // no such process
    EXPECT_EQ(prompt->ModuleInfor->ModulePath, "");
    EXPECT_EQ(prompt->mmoFileInfo->Text(), "名称：\r\n创建：\r\n路径：");
    EXPECT_EQ(prompt->mmoDesc->Text(), "是否允许  访问网络？");
    EXPECT_EQ(prompt->mmoNetInfo->Text(),
              "操作：连接网络\r\n协议：TCP\r\n地址：192.168.0.1\r\n端口：HTTP[80]");
}

TEST_F(KAInteractiveTest, IconIsReplacedOnlyByAFileThatHasOne) {
    addProgram(400, "/opt/red", Version::None);
    addProgram(401, "/opt/plain", Version::None);
    addProgram(402, "/opt/blue", Version::None);
    addProgram(403, "/opt/broken", Version::None);
    icons.addIcon("/opt/red", pngIcon(0xFFFF0000));
    icons.addIcon("/opt/blue", pngIcon(0xFF0000FF, 64));
    icons.addIcon("/opt/broken", {{1, 2, 3}, "png"});
    const auto colour = [&] { return prompt->imgFileIcon->Picture().toImage().pixel(10, 10); };

    prompt->FillRequest(request(opTcpConnect, 400));
    ASSERT_FALSE(prompt->imgFileIcon->Picture().isNull());
    EXPECT_EQ(colour(), 0xFFFF0000);
    for (std::uint32_t pid : {401u, 403u}) { // none; one that cannot be decoded
        prompt->FillRequest(request(opTcpConnect, pid));
        EXPECT_EQ(colour(), 0xFFFF0000) << pid;
    }
    prompt->FillRequest(request(opTcpConnect, 402));
    EXPECT_EQ(colour(), 0xFF0000FF);
    EXPECT_EQ(prompt->imgFileIcon->Picture().size(), QSize(32, 32)); // scaled to fit the box
}

TEST_F(KAInteractiveTest, EveryShowingStartsUnticked) {
    for (int i = 0; i < 2; ++i) {
        prompt->ckbAlwaysPermit->SetChecked(true);
        prompt->Show();
        EXPECT_FALSE(prompt->ckbAlwaysPermit->Checked()) << i;
        prompt->Hide();
    }
}

TEST_F(KAInteractiveTest, TitleAndItsIconDragTheWindow) {
    prompt->Show();
    for (TControl* handle :
         {static_cast<TControl*>(prompt->lblTitle), static_cast<TControl*>(prompt->Image1)}) {
        prompt->SetBounds(100, 100, 300, 362);
        QTest::mousePress(handle->Widget(), Qt::LeftButton, {}, QPoint(3, 3));
        ASSERT_TRUE(prompt->Moving()) << handle->Name();
        // The window holds the mouse while it moves (no window manager here).
        const QPoint pressed = handle->Widget()->mapTo(prompt->Widget(), QPoint(3, 3));
        QTest::mouseMove(prompt->Widget(), pressed + QPoint(30, 20));
        EXPECT_EQ(prompt->Left(), 130) << handle->Name();
        EXPECT_EQ(prompt->Top(), 120) << handle->Name();
        QTest::mouseRelease(prompt->Widget(), Qt::LeftButton, {}, pressed + QPoint(30, 20));
        EXPECT_FALSE(prompt->Moving()) << handle->Name();
    }
}

TEST_F(KAInteractiveTest, WithoutAPendingRequestAButtonOnlyClosesTheWindow) {
    TKernalCallBack channel; // no device: nothing queued, nothing sent
    prompt->KernalCallBack = &channel;
    int remembered = 0;
    prompt->RememberAnswer = [&](bool, const TModuleInfor&) { ++remembered; };
    for (TButton* button : {prompt->btnPermit, prompt->btnDeny}) {
        prompt->Show();
        prompt->ckbAlwaysPermit->SetChecked(true);
        QTest::mouseClick(button->Widget(), Qt::LeftButton);
        EXPECT_FALSE(prompt->Visible()) << button->Name();
        EXPECT_FALSE(prompt->ckbAlwaysPermit->Checked()) << button->Name();
    }
    EXPECT_EQ(remembered, 0); // no request, no rule
}

/// The prompt answering requests that the stand-in driver holds, through the real request
/// channel. Every request is sent to the user; the prompt is filled and shown as the main form
/// does it: with the oldest pending request, unless it is on screen already.
class KAInteractiveChannelTest : public KAInteractiveTest {
protected:
    vrx::vrxfw::StandIn standIn;
    vrx::os::CriticalSection queueLock;
    vrx::os::Handle device = vrx::os::kInvalidHandle;
    std::unique_ptr<TKernalCallBack> channel;
    int prompted = 0;

    struct Remembered {
        bool allow;
        std::string path;
        std::string description;
    };
    std::vector<Remembered> remembered;

    KAInteractiveChannelTest() {
        RequestQueueLock = &queueLock;
        device = vrx::os::createFile(vrx::vrxfw::kDevicePath,
                                     vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                                     vrx::os::kOpenExisting, 0x40000080);
        channel = std::make_unique<TKernalCallBack>();
        channel->SetDevice(device);
        channel->OnDecide = [](TAccessRequest& r) {
            r.Status = STATUS_ACCESS_DENIED;
            return true;
        };
        channel->OnPrompt = [this](TAccessRequest&) {
            ++prompted;
            if (!prompt->Visible()) {
                prompt->FillRequest(*channel->PeekRequest());
                prompt->Show();
            }
            return true;
        };
        channel->SetEnabled(true);
        prompt->KernalCallBack = channel.get();
        prompt->RememberAnswer = [this](bool allow, const TModuleInfor& file) {
            remembered.push_back({allow, file.ModulePath, file.Value(vkFileDescription)});
        };
    }
    ~KAInteractiveChannelTest() override {
        channel.reset();
        vrx::os::closeHandle(device);
        RequestQueueLock = nullptr;
    }

    std::shared_ptr<vrx::vrxfw::HeldRequest> submit(std::uint32_t pid, std::uint16_t port) {
        const int before = prompted;
        auto held =
            standIn.driver().submitRequest(vrx::vrxfw::Operation::TcpConnect, pid, kAddress, port);
        EXPECT_TRUE(pumpUntil([&] { return prompted == before + 1; }));
        return held;
    }

    /// The ports of the answered records, in the order the driver got them.
    std::vector<std::uint16_t> answeredPorts() {
        std::vector<std::uint16_t> ports;
        for (const auto& call : standIn.transcript().calls()) {
            if (call.code != DriverCode::AnswerRequest || !call.answeredRecord)
                continue;
            TAccessRequest record;
            std::memcpy(&record, call.answeredRecord->data(), sizeof record);
            EXPECT_EQ(record.AnsweredDirectly, 0);
            ports.push_back(record.Port);
        }
        return ports;
    }

    static std::optional<std::uint32_t> verdict(vrx::vrxfw::HeldRequest& held) {
        const auto answer = held.answer();
        return answer ? std::optional(answer->status) : std::nullopt;
    }

    void click(TButton* button) { QTest::mouseClick(button->Widget(), Qt::LeftButton); }
};

TEST_F(KAInteractiveChannelTest, PendingRequestsAreAnsweredOldestFirstAndTheWindowFollows) {
    addProgram(501, "/opt/one", Version::WithDescription, "Program One");
    addProgram(502, "/opt/two", Version::WithDescription, "Program Two");
    addProgram(503, "/opt/three", Version::WithDescription, "Program Three");
    auto first = submit(501, 1001);
    auto second = submit(502, 1002);
    auto third = submit(503, 1003);
    ASSERT_TRUE(prompt->Visible());
    EXPECT_EQ(prompt->mmoDesc->Text(), "是否允许 Program One 访问网络？");

    click(prompt->btnDeny);
    EXPECT_EQ(verdict(*first), STATUS_ACCESS_DENIED);
    EXPECT_FALSE(verdict(*second));
    EXPECT_TRUE(prompt->Visible());
    EXPECT_EQ(prompt->mmoDesc->Text(), "是否允许 Program Two 访问网络？");
    EXPECT_NE(prompt->mmoNetInfo->Text().find("1002"), std::string::npos);

    click(prompt->btnPermit);
    EXPECT_EQ(verdict(*second), STATUS_SUCCESS);
    EXPECT_TRUE(prompt->Visible());
    EXPECT_EQ(prompt->mmoDesc->Text(), "是否允许 Program Three 访问网络？");

    click(prompt->btnDeny);
    EXPECT_EQ(verdict(*third), STATUS_ACCESS_DENIED);
    EXPECT_FALSE(prompt->Visible());
    EXPECT_EQ(channel->PeekRequest(), nullptr);
    EXPECT_EQ(answeredPorts(), (std::vector<std::uint16_t>{1001, 1002, 1003}));
    EXPECT_TRUE(remembered.empty()); // the box was never ticked: no rule
}

TEST_F(KAInteractiveChannelTest, TickedBoxRemembersTheAnswerBeforeAnsweringIt) {
    addProgram(601, "/opt/firefox/firefox", Version::WithDescription);
    auto permitted = submit(601, 80);
    auto denied = submit(601, 81);
    prompt->ckbAlwaysPermit->SetChecked(true);
    click(prompt->btnPermit);
    EXPECT_EQ(verdict(*permitted), STATUS_SUCCESS);
    EXPECT_FALSE(prompt->ckbAlwaysPermit->Checked()); // the next request starts unticked
    EXPECT_TRUE(prompt->Visible());

    prompt->ckbAlwaysPermit->SetChecked(true);
    click(prompt->btnDeny);
    EXPECT_EQ(verdict(*denied), STATUS_ACCESS_DENIED);
    EXPECT_FALSE(prompt->Visible());

    ASSERT_EQ(remembered.size(), 2u);
    EXPECT_TRUE(remembered[0].allow);
    EXPECT_EQ(remembered[0].path, "/opt/firefox/firefox");
    EXPECT_EQ(remembered[0].description, "Mozilla Firefox");
    EXPECT_FALSE(remembered[1].allow);
    EXPECT_EQ(remembered[1].path, "/opt/firefox/firefox");
}

TEST_F(KAInteractiveChannelTest, SilentAnswerWithoutShowingTheWindow) {
    addProgram(651, "/opt/firefox/firefox", Version::None);
    channel->OnPrompt = [this](TAccessRequest&) {
        ++prompted;
        prompt->FillRequest(*channel->PeekRequest());
        prompt->ckbAlwaysPermit->SetChecked(true);
        prompt->btnPermitClick(prompt->btnPermit);
        return true;
    };
    auto held = submit(651, 443);
    EXPECT_EQ(verdict(*held), STATUS_SUCCESS);
    EXPECT_FALSE(prompt->Visible());
    ASSERT_EQ(remembered.size(), 1u);
    EXPECT_TRUE(remembered[0].allow);
    EXPECT_EQ(remembered[0].description, ""); // no version information
}

TEST_F(KAInteractiveChannelTest, FailedRememberLeavesTheRequestPendingAndTheWindowAsItWas) {
    struct Case {
        const char* what;
        std::function<void(bool, const TModuleInfor&)> remember;
    };
    const Case cases[] = {
        {"throws", [](bool, const TModuleInfor&) { throw std::runtime_error("磁盘已满"); }},
        {"missing", nullptr},
    };
    addProgram(701, "/opt/firefox/firefox", Version::WithDescription);
    std::uint16_t port = 7000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto held = submit(701, ++port);
        ASSERT_TRUE(prompt->Visible());
        const std::string netInfo = prompt->mmoNetInfo->Text();
        prompt->RememberAnswer = c.remember;
        boxes.asked.clear();

        prompt->ckbAlwaysPermit->SetChecked(true);
        click(prompt->btnPermit);
        ASSERT_EQ(boxes.asked.size(), 1u); // the framework's error box
        if (c.remember) {
            EXPECT_EQ(boxes.asked[0].text, "磁盘已满");
        }
        EXPECT_FALSE(verdict(*held));
        EXPECT_EQ(standIn.driver().heldRequestCount(), 1u);
        EXPECT_NE(channel->PeekRequest(), nullptr);
        EXPECT_TRUE(prompt->Visible());
        EXPECT_EQ(prompt->mmoNetInfo->Text(), netInfo);
        EXPECT_FALSE(prompt->ckbAlwaysPermit->Checked());

        // Answered again without the box, it goes through.
        click(prompt->btnPermit);
        EXPECT_EQ(verdict(*held), STATUS_SUCCESS);
        EXPECT_FALSE(prompt->Visible());
    }
}

TEST_F(KAInteractiveChannelTest, RequestOfAnEndedProcessIsAnsweredWithoutARule) {
    addProgram(801, "/opt/firefox/firefox", Version::WithDescription);
    auto held = submit(801, 80);
    ASSERT_TRUE(prompt->Visible());
    processes.removeProcess(801);
    prompt->FillRequest(*channel->PeekRequest()); // read again after the process ended
    prompt->ckbAlwaysPermit->SetChecked(true);
    click(prompt->btnPermit);
    EXPECT_EQ(verdict(*held), STATUS_SUCCESS);
    EXPECT_TRUE(remembered.empty()); // a rule without a path would never match anything
    EXPECT_TRUE(boxes.asked.empty());
}

} // namespace
