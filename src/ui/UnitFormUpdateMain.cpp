#include "ui/UnitFormUpdateMain.h"

#include "config/UnitAppConfig.h"
#include "gui/WindowBackend.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "skin/ZelSkinWindowLook.h"
#include "ui/UnitFormCheckUpdating.h"
#include "ui/UpdateMainTexts.h"
#include "update/UnitDownFileThread.h"

#include <cstdio>

using namespace platform;
using namespace gui;

namespace {

constexpr TColor kStatusBlack = 0;
constexpr TColor kStatusRed = 255;
constexpr TColor kStatusBlue = 16711680;

void SetupButton(TZelSkinColorButton& b, int left, int width, const char* caption, TColor hot) {
    b.SetBounds(left, 3, width, 30);
    b.SetCaption(caption);
    b.SetNormalColor(kCommandButtonColor);
    b.SetHotColor(hot);
    b.SetFont(TZelFont("Tahoma", 11, clWhite));
    b.SetHotFont(TZelFont("Tahoma", 11, clWhite));
}

void SetupBar(TZelSkinProgressBar& bar, int top, int height) {
    bar.SetBounds(102, top, 333, height);
    bar.SetBar_Progress("ZelSkinBar_cur");
    bar.SetBar_Background("ZelSkinBar_base");
    bar.SetValue(0);
    bar.Caption().SetFont(TZelFont("Tahoma", 11, clWindowText));
}

TZelFont Song(int height, TColor color, TFontStyles style = 0) {
    return TZelFont("宋体", height, color, style);
}

} // namespace

TFormUpdateMain::TFormUpdateMain() {
    SetBorderStyle(bsSizeable);
    SetBorderIcons(biSystemMenu);
    SetCaption("发现新的升级文件");
    SetColor(Color32(clBtnFace));

    SetupWindowFrame(ZelSkinForm1);
    ZelSkinForm1.Options().SetMinimizeToTaskbar(true);
    ZelSkinForm1.Options().SetHideInTaskbar(true);

    SetupWindowTitle(lblTitle, "发现新的升级文件", Song(14, clWhite));
    SetupCloseButton(btnSysClose);
    btnSysClose.SetCloseImage("ZelSkinBtn_close");
    btnSysClose.SetMinimizeImage("ZelSkinBtn_mini");
    btnSysClose.SetMaximizeImage("ZelSkinBtn_max");
    btnSysClose.SetRestoresizeImage("ZelSkinBtn_restore");

    SetBounds(0, 0, 10, 10);
    SetClientSize(681, 450);
    Layout();
    CenterOnScreen();

    btnStartUpdating.OnClick = [this](void*) { btnStartUpdatingClick(); };
    btnCancel.OnClick = [this](void*) { btnCancelClick(); };
    btnClose.OnClick = [this](void*) { btnCloseClick(); };
    OnCloseQuery = [this](TWindow*, bool& canClose) { FormCloseQuery(canClose); };
    FormCreate();
}

TFormUpdateMain::~TFormUpdateMain() {
    FormDestroy();
}

void TFormUpdateMain::Layout() {
    pnlLeft.SetAlign(alLeft);
    pnlLeft.SetWidth(233);
    pnlLeft.SetBorderSides(0);
    pnlAppName.SetAlign(alTop);
    pnlAppName.SetHeight(31);
    pnlAppName.SetBorderSides(sdBottom);
    lblAppName.SetMargins({4, 2, 4, 2});
    lblAppName.SetAlign(alClient);
    lblAppName.SetAutoSize(false);
    lblAppName.SetAlignmentHorizontal(taCenter);
    lblAppName.SetAlignmentVertical(taVerticalCenter);
    lblAppName.SetWordWap(true);
    lblAppName.SetEnabled(false);
    lblAppName.SetFont(Song(12, 10364507, fsBold));

    pnlReadme.SetAlign(alTop);
    pnlReadme.SetHeight(66);
    pnlReadme.SetTop(31);
    pnlReadme.SetBorderSides(sdBottom);
    imgLogo.SetBounds(18, 13, 38, 37);
    imgLogo.SetStretch(true);
    imgLogo.SetEnabled(false);
    lblDescripition.SetAutoSize(false);
    lblDescripition.SetBounds(80, 13, 120, 12);
    lblDescripition.SetEllipsisPosition(epPathEllipsis);
    lblDescripition.SetEnabled(false);
    lblDescripition.SetCaption("智能、高效、解放双手");
    lblDescripition.SetFont(Song(12, clRed));
    lblSlogan.SetAutoSize(false);
    lblSlogan.SetBounds(96, 36, 84, 12);
    lblSlogan.SetCaption("7×24h无人值守");
    lblSlogan.SetFont(Song(12, clRed));

    pnlLog.SetAlign(alClient);
    pnlLog.SetBorderSides(0);
    lblSpace.SetAutoSize(false);
    lblSpace.SetAlign(alLeft);
    lblSpace.SetWidth(6);
    lblSpace.SetCaption("");
    txtLog.SetAlign(alClient);
    txtLog.SetReadOnly(true);
    txtLog.SetScrollBars(ssVertical);
    txtLog.SetSoftBevel(true);

    lineDivider.SetKind(lkVertical);
    lineDivider.SetGradientStartColor(12419072);
    lineDivider.SetAlign(alLeft);
    lineDivider.SetLeft(233);
    lineDivider.SetWidth(3);

    pnlClient.SetAlign(alClient);
    pnlClient.SetBorderSides(0);
    pnlCmd.SetAlign(alBottom);
    pnlCmd.SetHeight(37);
    pnlCmd.SetBorderSides(sdTop);
    SetupButton(btnStartUpdating, 169, 87, "开始更新", 10317049);
    SetupButton(btnCancel, 259, 80, "取消下载", 10317049);
    SetupButton(btnClose, 341, 80, "关闭", 2237136);

    pnlProgress.SetAlign(alBottom);
    pnlProgress.SetHeight(88);
    pnlProgress.SetBorderSides(sdTop);
    pnlCommand.SetAlign(alTop);
    pnlCommand.SetHeight(26);
    pnlCommand.SetBorderSides(sdBottom);
    lblCommand.SetMargins({4, 2, 4, 2});
    lblCommand.SetAlign(alClient);
    lblCommand.SetAutoSize(false);
    lblCommand.SetAlignmentHorizontal(taCenter);
    lblCommand.SetAlignmentVertical(taVerticalCenter);
    lblCommand.SetWordWap(true);
    lblFile.SetLeft(15);
    lblFile.SetTop(40);
    lblFile.SetCaption("文件下载进度");
    SetupBar(pbFile, 36, 22);
    lblTotal.SetLeft(14);
    lblTotal.SetTop(63);
    lblTotal.SetCaption("总体下载进度");
    SetupBar(pbTotal, 59, 21);

    grpFiles.SetAlign(alClient);
    grpFiles.SetCaption("");
    grpFiles.CheckBox().SetPictures("ZelSkinCheckBox");
    vstFiles.SetAlign(alClient);
    TVirtualTreeGrid& grid = vstFiles.Grid();
    grid.DefaultNodeHeight = 25;
    grid.FullRowSelect = true;
    grid.MultiSelect = true;
    grid.Header().Visible = true;
}

void TFormUpdateMain::FormCreate() {
    // The line's automatic size puts a vertical line back to 3 pixels.
    lineDivider.SetWidth(1);
    FList = std::make_unique<TDownloadItemList>();
    {
        TFormCheckUpdating checking;
        checking.SetFileList(FList.get());
        checking.ShowModal();
        FAppName = checking.AppName();
        FUpdateLog = checking.UpdateLog();
        FRefusal = checking.Refusal();
    }
    if (FList->empty()) {
        SetModalResult(mrCancel);
        return;
    }
    TZelSkinImage logo;
    const std::string icon = TAppConfig::GetRootPath() + "Resource\\app.ico";
    if (!FileExists(icon) || !LoadPictureFromFile(icon, logo)) logo = ApplicationIcon(48);
    imgLogo.SetPicture(logo);

    btnStartUpdating.SetEnabled(false);
    btnCancel.SetEnabled(false);
    FThreadWork = nullptr;

    FGridProxy = std::make_unique<TVTProxyGrid>();
    FGridProxy->AttachGrid(&vstFiles.Grid(), &TDownloadFileItem::StaticClassInfo(), true);
    FGridProxy->AddColumnDetail("文件名", "FileName", 220, false);
    FGridProxy->AddColumnDetail("文件大小", "FileSizeText", 100, false);
    FGridProxy->AddColumnDetail("下载进度", "DownloadStatus", 60, false);

    lblAppName.SetCaption(FAppName);
    ShowUpdateLog(FUpdateLog);
    FillFileList();
    SetTopmost(true);
}

void TFormUpdateMain::FormDestroy() {
    StopWorker();
    FGridProxy.reset();
    FList.reset();
}

void TFormUpdateMain::ShowUpdateLog(const std::string& text) {
    for (const std::string& line : UpdateLogLines(text))
        txtLog.Append(line);
}

void TFormUpdateMain::FillFileList() {
    for (const auto& item : *FList)
        item->BindData = FGridProxy->AddRowData(item.get());
    btnStartUpdating.SetEnabled(true);
    btnClose.SetEnabled(true);
    ShowInfoText("一共有[" + std::to_string(FList->size()) + "]个文件需要更新");
}

void TFormUpdateMain::ShowErrorText(const std::string& text) {
    TZelFont font = lblCommand.Font();
    font.SetColor(kStatusRed);
    lblCommand.SetFont(font);
    lblCommand.SetCaption(text);
}

void TFormUpdateMain::ShowInfoText(const std::string& text) {
    TZelFont font = lblCommand.Font();
    font.SetColor(kStatusBlue);
    lblCommand.SetFont(font);
    lblCommand.SetCaption(text);
}

void TFormUpdateMain::btnStartUpdatingClick() {
    btnStartUpdating.SetEnabled(false);
    btnCancel.SetEnabled(true);
    auto* worker = new TDownFileThread();
    worker->SetFreeOnTerminate(true);
    worker->SetList(FList.get());
    worker->SetAppRootPath(TAppConfig::GetRootPath());
    worker->SetOnDownloadItemNotify(
        [this](TDownFileThread* s, TDownloadFileItem* i) { DownloadItemNotify(s, i); });
    worker->SetOnDownloadItemComplete(
        [this](TDownFileThread* s, TDownloadFileItem* i) { DownloadItemComplete(s, i); });
    worker->SetOnDownloadItemError(
        [this](TDownFileThread* s, TDownloadFileItem* i) { DownloadItemError(s, i); });
    worker->SetOnTerminate(
        [this](TThread* t) { DownloadThreadTerminate(static_cast<TDownFileThread*>(t)); });
    FThreadWork = worker;
    worker->Start();
    pbFile.SetMaxValue(0);
    pbTotal.SetMaxValue(0);
}

void TFormUpdateMain::DownloadItemNotify(TDownFileThread* sender, TDownloadFileItem* downItem) {
    auto* row = static_cast<TVTRowData*>(downItem->BindData);
    TBarScale file = BarScaleFor(downItem->FileLen());
    TBarScale total = BarScaleFor(sender->TotalSize());
    if (downItem->Progress == 0) {
        if (pbTotal.MaxValue() == 0) pbTotal.SetMaxValue(total.maximum);
        pbFile.SetMaxValue(file.maximum);
        if (row) vstFiles.Grid().SetSelected(row->BindNode, true);
        return;
    }
    if (FReport)
        FReport->Progress(sender->DownloadFileCount() + 1, sender->DownloadFileTotal(),
                          downItem->FileName(), downItem->TotalBytes, downItem->ReceivedBytes,
                          downItem->StartTime, GetTickCount());
    std::string speed = SpeedText(GetTickCount(), downItem->StartTime, downItem->ReceivedBytes);
    pbFile.SetValue(static_cast<int32_t>(downItem->ReceivedBytes / file.scale));
    pbTotal.SetValue(static_cast<int32_t>(sender->ReceiveTotalSize() / total.scale));
    TZelFont font = lblCommand.Font();
    font.SetColor(kStatusBlack);
    lblCommand.SetFont(font);
    lblCommand.SetCaption(TransferText(downItem->TotalBytes, downItem->ReceivedBytes, speed));
    if (row) {
        FGridProxy->RefreshRowData(row->BindNode, downItem, {"下载进度"});
        FGridProxy->RefreshRowData(row->BindNode, downItem, {"文件大小"});
    }
}

void TFormUpdateMain::DownloadItemComplete(TDownFileThread* sender, TDownloadFileItem* downItem) {
    downItem->HasDownload = true;
    if (auto* row = static_cast<TVTRowData*>(downItem->BindData))
        FGridProxy->RefreshRowData(row, downItem);
    if (FReport)
        FReport->Done(sender->DownloadFileCount(), sender->DownloadFileTotal(),
                      downItem->FileName(), downItem->TotalBytes, downItem->StartTime,
                      GetTickCount());
    char text[64];
    std::snprintf(text, sizeof text, " %d/%d", sender->DownloadFileCount(),
                  sender->DownloadFileTotal());
    ShowInfoText(text);
}

void TFormUpdateMain::DownloadItemError(TDownFileThread* sender, TDownloadFileItem* downItem) {
    const std::string text = " 下载[" + downItem->FileName() + "]发生错误:" + sender->ErrorText();
    ShowErrorText(text);
    if (FReport) FReport->Error(text);
}

void TFormUpdateMain::DownloadThreadTerminate(TDownFileThread* sender) {
    btnStartUpdating.SetEnabled(true);
    btnCancel.SetEnabled(false);
    FThreadWork = nullptr;
    // A new updater copy stored by any worker of this window stays wanted.
    AppConfig->SetNeedUpdateLauncher(AppConfig->NeedUpdateLauncher() ||
                                     sender->NeedUpdateLauncher());
    if (sender->IsUpgradeSuccessful() || FReport) Close();
}

void TFormUpdateMain::StartUnattended(std::unique_ptr<TUnattendedReport> report) {
    FReport = std::move(report);
    btnStartUpdatingClick();
}

void TFormUpdateMain::btnCancelClick() {
    if (!FThreadWork) return;
    FThreadWork->SetAbort(true);
    btnCancel.SetEnabled(false);
}

void TFormUpdateMain::btnCloseClick() {
    Close();
}

void TFormUpdateMain::FormCloseQuery(bool& canClose) {
    if (!FThreadWork) return;
    MessageBoxRequest ask{"更新正在进行中,如果强行退出某些更新不会成功,確定退出吗？", "提示",
                          MessageIcon::Question, MessageButtons::YesNo};
    if (ShowMessageBox(ask) != MessageResult::Yes) {
        canClose = false;
        return;
    }
    StopWorker();
}

void TFormUpdateMain::StopWorker() {
    TDownFileThread* worker = FThreadWork;
    if (!worker) return;
    // Nothing more reaches the window; the worker stops at once and is
    // waited for, so the list and its items outlive it.
    bool ended = false;
    worker->SetOnDownloadItemNotify(nullptr);
    worker->SetOnDownloadItemComplete(nullptr);
    worker->SetOnDownloadItemError(nullptr);
    worker->SetOnTerminate([&ended](TThread* t) {
        AppConfig->SetNeedUpdateLauncher(AppConfig->NeedUpdateLauncher() ||
                                         static_cast<TDownFileThread*>(t)->NeedUpdateLauncher());
        ended = true;
    });
    worker->SetAbort(true);
    RunMessageLoopUntil([&ended] { return ended; });
    FThreadWork = nullptr;
    btnStartUpdating.SetEnabled(true);
    btnCancel.SetEnabled(false);
}

void ShowMainWindow() {
    auto form = std::make_unique<TFormUpdateMain>();
    Application()->SetMainForm(form.get());
    // A run nobody watches says why a list was refused; failed exchanges
    // stay silent, as they always have.
    if (form->ModalResult() == mrCancel && IsHeadless() && !form->Refusal().empty())
        WriteStandardError("检查更新失败: " + form->Refusal() + "\n");
    if (form->ModalResult() != mrCancel) {
        // Nobody could click "开始更新" on a screen that does not exist.
        if (IsHeadless())
            form->StartUnattended(
                std::make_unique<TUnattendedReport>(WriteStandardError, StandardErrorIsTerminal()));
        form->Show();
        Application()->Run();
    }
    Application()->SetMainForm(nullptr);
}
