#pragma once
// The main window: the files to update, the release notes, both progress
// bars, the status line and the three buttons; it runs the download worker.
#include "gui/Controls.h"
#include "skin/ZelSkinButtons.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinForm.h"
#include "skin/ZelSkinMemo.h"
#include "skin/ZelSkinNCControls.h"
#include "skin/ZelSkinProgressBar.h"
#include "ui/ImageControl.h"
#include "ui/UnattendedReport.h"
#include "ui/UnitVTGridProxy.h"
#include "ui/VirtualStringTree.h"
#include "update/UnitDownloadFileItem.h"

#include <memory>
#include <string>

class TDownFileThread;

class TFormUpdateMain : public gui::TWindow {
public:
    // Runs the update check: when nothing needs work the window closes
    // before it is ever shown, with the modal result 2.
    TFormUpdateMain();
    ~TFormUpdateMain() override;

    TZelSkinForm ZelSkinForm1{this};
    TZelSkinNCLabel lblTitle{this};
    TZelSkinSystemButton btnSysClose{this};

    TZelSkinPanel pnlLeft{this};
    TZelSkinPanel pnlAppName{&pnlLeft};
    TZelSkinLabel lblAppName{&pnlAppName};
    TZelSkinPanel pnlReadme{&pnlLeft};
    TZelImage imgLogo{&pnlReadme};
    TZelSkinLabel lblDescripition{&pnlReadme};
    TZelSkinLabel lblSlogan{&pnlReadme};
    TZelSkinPanel pnlLog{&pnlLeft};
    TZelSkinLabel lblSpace{&pnlLog};
    TZelSkinMemo txtLog{&pnlLog};
    TZelSkinLine lineDivider{this};
    TZelSkinPanel pnlClient{this};
    TZelSkinPanel pnlCmd{&pnlClient};
    TZelSkinColorButton btnStartUpdating{&pnlCmd};
    TZelSkinColorButton btnCancel{&pnlCmd};
    TZelSkinColorButton btnClose{&pnlCmd};
    TZelSkinPanel pnlProgress{&pnlClient};
    TZelSkinPanel pnlCommand{&pnlProgress};
    TZelSkinLabel lblCommand{&pnlCommand};
    TZelSkinLabel lblFile{&pnlProgress};
    TZelSkinProgressBar pbFile{&pnlProgress};
    TZelSkinLabel lblTotal{&pnlProgress};
    TZelSkinProgressBar pbTotal{&pnlProgress};
    TZelSkinGroupBox grpFiles{&pnlClient};
    TVirtualStringTree vstFiles{&grpFiles};

    TDownloadItemList& List() { return *FList; }
    // No window can be shown: the download starts at once, progress and
    // failures go to the report, and the window closes when the worker ends,
    // done or not, so that the run goes on to the application.
    void StartUnattended(std::unique_ptr<TUnattendedReport> report);
    // Why the update list was refused as untrustworthy; empty when it was not.
    const std::string& Refusal() const { return FRefusal; }
    bool Downloading() const { return FThreadWork != nullptr; }

private:
    void Layout();
    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void FormDestroy();
    void FillFileList();
    void ShowUpdateLog(const std::string& text);
    void ShowErrorText(const std::string& text);
    void ShowInfoText(const std::string& text);
    void btnStartUpdatingClick();
    void btnCancelClick();
    void btnCloseClick();
    void DownloadItemNotify(TDownFileThread* sender, TDownloadFileItem* downItem);
    void DownloadItemComplete(TDownFileThread* sender, TDownloadFileItem* downItem);
    void DownloadItemError(TDownFileThread* sender, TDownloadFileItem* downItem);
    void DownloadThreadTerminate(TDownFileThread* sender);
    void StopWorker();

    std::unique_ptr<TDownloadItemList> FList;
    TDownFileThread* FThreadWork = nullptr;
    std::unique_ptr<TVTProxyGrid> FGridProxy;
    std::unique_ptr<TUnattendedReport> FReport;
    std::string FAppName;
    std::string FUpdateLog;
    std::string FRefusal;
};

// Creates the main window and runs the message loop until it has closed
// (not at all when the check left nothing to do).
void ShowMainWindow();
