#include "ui/UnitFormCheckUpdating.h"

#include "config/UnitAppConfig.h"
#include "gui/WindowBackend.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "update/UnitQueryServerFiles.h"

using namespace platform;
using namespace gui;

TFormCheckUpdating::TFormCheckUpdating() {
    SetBorderStyle(bsNone);
    SetColor(Color32(clBtnFace));
    SetClientSize(366, 62);
    ZelSkinForm1.SetTitlerColor(clTeal);
    ZelSkinForm1.SetColor(clTeal);

    pnlClient.SetBounds(3, 3, 360, 56);
    pnlClient.SetColor(12419072);
    pnlClient.SetBorderColor(clWhite);
    pnlClient.SetBackgroundFillType(ftAutoStretch);
    pnlClient.SetAutoInvalidate(true);

    act.SetBounds(15, 13, 32, 32);
    act.SetAnimate(true);

    lblMessage.SetLeft(64);
    lblMessage.SetTop(20);
    lblMessage.SetFont(TZelFont("宋体", 16, clWhite, fsBold));
    lblMessage.SetAutoInvalidate(true);

    OnShow = [this](TWindow*) { FormShow(); };
    // Until the exchange has ended its worker fills the caller's list and
    // reports to this window: a close request before that is refused.
    OnCloseQuery = [this](TWindow*, bool& canClose) { canClose = FThreadWork == nullptr; };
    FormCreate();
    CenterOnScreen();
}

TFormCheckUpdating::~TFormCheckUpdating() = default;

void TFormCheckUpdating::FormCreate() {
    lblMessage.SetCaption("正在检需要更新的文件,请稍后...");
    SetTopmost(true);
}

void TFormCheckUpdating::FormShow() {
    StartQuery();
}

void TFormCheckUpdating::StartQuery() {
    FList->clear();
    auto* worker = new TQueryServerFiles();
    worker->SetFreeOnTerminate(true);
    worker->SetOnTerminate([this](TThread*) { QueryFinished(); });
    worker->SetCheckUrl(UpdateCheckUrl());
    worker->SetCheckData(BuildCheckData(AppConfig->AgentCode));
    worker->SetMinExecutionTime(1500);
    worker->SetDownloadItemList(FList);
    worker->MainWindow = Handle();
    FThreadWork = worker;
    worker->Start();
}

void TFormCheckUpdating::WndProc(TMessage& message) {
    TWindow::WndProc(message);
    if (message.Msg == WM_QUERY_FINISHED && FThreadWork) {
        // Runs while the worker waits in its send: the fallback must not run again.
        FThreadWork->SetOnTerminate(nullptr);
        QueryFinished();
    }
}

void TFormCheckUpdating::QueryFinished() {
    if (!FThreadWork) return;
    WindowBackend()->SetCursor(crDefault);
    FAppName = FThreadWork->AppName();
    FUpdateLog = FThreadWork->UpdateLog();
    if (FThreadWork->Refused()) FRefusal = FThreadWork->ErrorMessage();
    FThreadWork = nullptr;
    const std::string leftover = TAppConfig::GetRootPath() + "_updater.tmp";
    if (FileExists(leftover)) DeleteFile(leftover);
    act.SetAnimate(false);
    Close();
}
