// Renders the drawn dialogs to PNG files, so that their looks can be checked by eye:
//     vrx_formshots <folder>
// Runs on any Qt platform: offscreen, or a virtual display (xvfb-run) to see the windows as
// the desktop shows them.

#include "Application/appui/KAInteractive.h"
#include "Application/monitor/ModuleInfor.h"
#include "Application/monitor/ProtocolDecoder.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"
#include "Application/store/TableText.h"
#include "Application/ui/About.h"
#include "Application/ui/FormSkin.h"
#include "Application/ui/MessageDlg.h"
#include "Application/ui/ShowMessage.h"

#include "Platform/forms/Application.h"
#include "Platform/os/Network.h"
#include "Platform/os/Platform.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>

#include <cstdio>

using namespace vrx::forms;

namespace {

bool save(TForm& form, const QDir& folder, const char* name) {
    form.Show();
    Application->ProcessMessages();
    const QString path = folder.filePath(QString::fromUtf8(name) + ".png");
    const bool ok = form.Snapshot().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

/// A plain form with the skin and text drawn by its own paint handler.
class SkinnedSample : public TForm {
public:
    SkinnedSample() : TForm(nullptr) {
        SetBounds(0, 0, 300, 200);
        OnPaint = [this](TObject*) {
            TCanvas& canvas = Canvas();
            canvas.Brush.Style = TBrushStyle::bsClear;
            canvas.Font.Height = 16;
            canvas.Font.Color = clWhite;
            canvas.TextOut(16, 11, "自绘窗体");
            canvas.Font.Color = clBlack;
            canvas.TextOut(16, 90, "窗体自己的绘制在皮肤之上");
            canvas.Brush.Style = TBrushStyle::bsSolid;
        };
        OnCreate = [this](TObject*) { skin_ = new TzhFomrSkin(*this); };
        OnDestroy = [this](TObject*) { delete skin_; };
    }

private:
    TzhFomrSkin* skin_ = nullptr;
};

/// The access prompt for a real program of this machine: a Python interpreter started for the
/// purpose (it has a desktop entry with a name and an icon), or this tool itself where there is
/// none, connecting to a web server.
bool saveAccessPrompt(const QDir& folder) {
    TdxMemData protocols("tblProtocol");
    DefineProtocolFields(protocols);
    TableText::LoadFromTextFile(protocols, VRX_PROTOCOL_NAMES);
    TProtocolDecoder decoder;
    decoder.Table = &protocols;

    QProcess program;
    program.start(QStringLiteral("/usr/bin/python3.11"),
                  {QStringLiteral("-c"), QStringLiteral("import time; time.sleep(60)")});
    const bool started = program.waitForStarted();

    TAccessRequest request;
    request.Operation = opTcpConnect;
    request.ProcessId = started ? static_cast<std::uint32_t>(program.processId())
                                : static_cast<std::uint32_t>(QCoreApplication::applicationPid());
    request.RemoteAddress = vrx::os::inetAddr("93.184.216.34");
    request.Port = 80;

    auto* prompt = Create<TfrmKAInteractive>(nullptr);
    prompt->ProtocolDecoder = &decoder;
    prompt->FillRequest(request);
    const bool ok = save(*prompt, folder, "TfrmKAInteractive");
    std::printf("prompt for %s\n", prompt->ModuleInfor->ModulePath.c_str());
    prompt->Free();
    if (started) {
        program.kill();
        program.waitForFinished();
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrx_formshots <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return 1;
    vrx::os::installHostPlatform();
    bool ok = true;

    auto* dlg = Create<TfrmMessageDlg>(nullptr);
    dlg->lblMsg->SetCaption(
        "是否允许 Mozilla Firefox 访问网络？这是一条较长的提示信息，用来查看换行。");
    ok &= save(*dlg, folder, "TfrmMessageDlg");
    dlg->Free();

    auto* msg = Create<TfrmMessage>(nullptr);
    msg->lblMsg->SetCaption("无法打开驱动程序！");
    ok &= save(*msg, folder, "TfrmMessage");
    msg->Free();

    auto* about = Create<TfrmAbout>(nullptr);
    ok &= save(*about, folder, "TfrmAbout");
    about->Free();

    auto* sample = Create<SkinnedSample>();
    ok &= save(*sample, folder, "SkinnedForm");
    sample->Free();

    ok &= saveAccessPrompt(folder);
    return ok ? 0 : 1;
}
