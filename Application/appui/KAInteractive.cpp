#include "Application/appui/KAInteractive.h"

#include "Application/appui/IconPicture.h"
#include "Application/core/KernalCallBack.h"
#include "Application/monitor/ModuleInfor.h"
#include "Application/monitor/ProtocolDecoder.h"
#include "Application/resources/StringTable.h"
#include "Application/ui/DialogParts.h"
#include "Application/ui/FormSkin.h"

#include "Platform/forms/Application.h"
#include "Platform/forms/Messages.h"
#include "Platform/os/Network.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <stdexcept>

using namespace vrx::forms;

namespace {

constexpr TColor kBackground = 13889475;
constexpr int kFileIconSide = 33;
// Icons come in sizes of 16, 32, 48, ...: the 32 one fits the picture box unscaled.
constexpr int kIconPictureSide = 32;

TFont promptFont(TColor color = clBlack, unsigned style = 0) {
    TFont font;
    font.Name = "宋体";
    font.Height = 13;
    font.Color = color;
    font.Style = style;
    return font;
}

TLabel* makeLabel(TForm& form, const char* name, const char* caption, int left, int top) {
    auto* label = new TLabel(&form);
    label->SetName(name);
    label->SetParent(&form);
    label->SetTransparent(true);
    label->SetFont(promptFont());
    label->SetLeft(left);
    label->SetTop(top);
    label->SetCaption(caption);
    return label;
}

/// A read-only text without a border, on the window's own colour.
TMemo* makeText(TForm& form, const char* name, int left, int top, int width, int height) {
    auto* memo = new TMemo(&form);
    memo->SetName(name);
    memo->SetParent(&form);
    memo->SetBounds(left, top, width, height);
    memo->SetReadOnly(true);
    memo->SetBorderless(true);
    memo->SetWordWrap(true);
    memo->SetColor(kBackground);
    memo->SetFont(promptFont());
    return memo;
}

/// A day of the platform's date type (days since 1899-12-30) in the desktop's short format.
std::string dateText(double day) {
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(day)));
    return QLocale::system().toString(date, QLocale::ShortFormat).toStdString();
}

std::string fileNamePart(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

} // namespace

TfrmKAInteractive::TfrmKAInteractive(TComponent* owner) : TForm(owner) {
    SetName("frmKAInteractive");
    dialog_parts::SetUpForm(*this, 300, 362);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetFont(promptFont());

    Image1 = dialog_parts::MakeIcon(*this);
    lblTitle = dialog_parts::MakeTitle(*this, 40, 11);
    TFont titleFont = promptFont(clWhite, fsBold);
    titleFont.Height = 16;
    lblTitle->SetFont(titleFont);
    lblTitle->SetCaption("VORNEX防火墙警告信息");

    mmoDesc = makeText(*this, "mmoDesc", 14, 46, 272, 42);
    Label3 = makeLabel(*this, "Label3", "网络信息", 14, 90);
    mmoNetInfo = makeText(*this, "mmoNetInfo", 30, 106, 256, 78);
    Label1 = makeLabel(*this, "Label1", "文件信息", 14, 186);

    imgFileIcon = new TImage(this);
    imgFileIcon->SetName("imgFileIcon");
    imgFileIcon->SetParent(this);
    imgFileIcon->SetBounds(14, 206, kFileIconSide, kFileIconSide);
    imgFileIcon->SetCenter(true);

    mmoFileInfo = makeText(*this, "mmoFileInfo", 54, 202, 232, 92);

    ckbAlwaysPermit = new TCheckBox(this);
    ckbAlwaysPermit->SetName("ckbAlwaysPermit");
    ckbAlwaysPermit->SetParent(this);
    ckbAlwaysPermit->SetBounds(14, 296, 272, 20);
    ckbAlwaysPermit->SetColor(kBackground);
    ckbAlwaysPermit->SetFont(promptFont());
    ckbAlwaysPermit->SetCaption("以后都按照这次的操作进行");

    btnPermit = dialog_parts::MakeButton(*this, "btnPermit", "允许", 46, 322, 85, 30);
    btnDeny = dialog_parts::MakeButton(*this, "btnDeny", "禁止", 169, 322, 85, 30);

    btnPermit->OnClick = [this](TObject* s) { btnPermitClick(s); };
    btnDeny->OnClick = [this](TObject* s) { btnPermitClick(s); };
    lblTitle->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        mmoNetInfoMouseDown(s, b, sh, x, y);
    };
    Image1->OnMouseDown = lblTitle->OnMouseDown;
    OnCreate = [this](TObject*) { FormCreate(); };
    OnDestroy = [this](TObject*) { FormDestroy(); };
    OnShow = [this](TObject*) { FormShow(); };
}

TfrmKAInteractive::~TfrmKAInteractive() = default;

void TfrmKAInteractive::FormCreate() {
    ModuleInfor = std::make_unique<TModuleInfor>();
    skin_ = std::make_unique<TzhFomrSkin>(*this);
}

void TfrmKAInteractive::FormDestroy() {
    skin_.reset();
    ModuleInfor.reset();
}

void TfrmKAInteractive::FormShow() {
    // Every appearance starts unticked: a remembered answer is always the user's new choice.
    ckbAlwaysPermit->SetChecked(false);
}

void TfrmKAInteractive::FillRequest(const TAccessRequest& request) {
    const std::string port =
        ProtocolDecoder ? ProtocolDecoder->PortName(request.Port) : std::to_string(request.Port);

    (void)ModuleInfor->GetProcessPath(request.ProcessId);
    const std::string path = ModuleInfor->ModulePath;
    // Without a readable file the date of an earlier request would be shown: leave it out.
    const std::string created =
        ModuleInfor->GetFileDate(path) ? dateText(ModuleInfor->CreationDate) : std::string();

    std::string name;
    std::string fileInfo;
    if (ModuleInfor->LoadVersionInfo(path)) {
        name = ModuleInfor->Value(vkFileDescription);
        if (name.empty())
            name = fileNamePart(path);
        fileInfo = FormatStr(20020, name, ModuleInfor->Value(vkProductVersion), created, path);
    } else {
        name = fileNamePart(path);
        fileInfo = FormatStr(20021, name, created, path);
    }
    const std::string question = FormatStr(20001, name);

    const std::string address = vrx::os::inetNtoa(request.RemoteAddress);
    std::string netInfo;
    switch (request.Operation) {
    case opTcpConnect:
        netInfo = FormatStr(20010, address, port);
        break;
    case opTcpListen:
        netInfo = FormatStr(20011, "TCP", port);
        break;
    case opTcpSend:
        netInfo = FormatStr(20012, "TCP", address, port);
        break;
    case opUdpSend:
        netInfo = FormatStr(20012, "UDP", address, port);
        break;
    case opUdpReceive:
        netInfo = FormatStr(20011, "UDP", port);
        break;
    default:
        break;
    }

    // A file without an icon (or with one that cannot be decoded) leaves the picture as it was.
    if (ModuleInfor->LoadIcon(path) && ModuleInfor->Icon) {
        const QPixmap picture = IconPicture(*ModuleInfor->Icon, kIconPictureSide);
        if (!picture.isNull())
            imgFileIcon->SetPicture(picture);
    }

    mmoDesc->SetText(question);
    mmoNetInfo->SetText(netInfo);
    mmoFileInfo->SetText(fileInfo);
}

void TfrmKAInteractive::btnPermitClick(TObject* sender) {
    const bool allow = sender == btnPermit;
    // With nothing pending (the channel answered the queue itself) the window only closes:
    // there is no request whose answer could be remembered.
    if (KernalCallBack == nullptr || KernalCallBack->PeekRequest() == nullptr) {
        ckbAlwaysPermit->SetChecked(false);
        Close();
        return;
    }
    // A rule needs the executable's path: for a process that ended before it could be read
    // there is nothing to remember, and the answer goes to the request alone.
    if (ckbAlwaysPermit->Checked() && !ModuleInfor->ModulePath.empty()) {
        try {
            if (!RememberAnswer)
                throw std::logic_error("The answer cannot be remembered: no rule store.");
            RememberAnswer(allow, *ModuleInfor);
        } catch (...) {
            // The request stays pending, so the user can answer it again.
            ckbAlwaysPermit->SetChecked(false);
            Application->HandleException(std::current_exception());
            return;
        }
    }
    ckbAlwaysPermit->SetChecked(false);
    AnswerAndAdvance(allow ? STATUS_SUCCESS : STATUS_ACCESS_DENIED);
}

void TfrmKAInteractive::AnswerAndAdvance(std::uint32_t verdict) {
    TAccessRequest* head = KernalCallBack ? KernalCallBack->PeekRequest() : nullptr;
    if (head == nullptr) {
        Close();
        return;
    }
    head->Status = verdict;
    KernalCallBack->CompleteHeadRequest();
    if (TAccessRequest* next = KernalCallBack->PeekRequest()) {
        FillRequest(*next);
        Show();
    } else {
        Close();
    }
}

void TfrmKAInteractive::mmoNetInfoMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    ReleaseCapture();
    Perform(WM_SYSCOMMAND, SC_DRAGMOVE, 0);
}
