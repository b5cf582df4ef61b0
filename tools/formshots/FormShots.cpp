// Renders the drawn dialogs to PNG files, so that their looks can be checked by eye:
//     vrx_formshots <folder>
// Runs on any Qt platform: offscreen, or a virtual display (xvfb-run) to see the windows as
// the desktop shows them.

#include "Application/ui/About.h"
#include "Application/ui/FormSkin.h"
#include "Application/ui/MessageDlg.h"
#include "Application/ui/ShowMessage.h"

#include "Platform/forms/Application.h"

#include <QApplication>
#include <QDir>
#include <QImage>

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
    return ok ? 0 : 1;
}
