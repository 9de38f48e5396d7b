#pragma once
// The small borderless window shown while the update list is fetched.
#include "gui/Controls.h"
#include "skin/ZelSkinControls.h"
#include "skin/ZelSkinForm.h"
#include "ui/BusyIndicator.h"
#include "update/UnitDownloadFileItem.h"

#include <string>

class TQueryServerFiles;

class TFormCheckUpdating : public gui::TWindow {
public:
    TFormCheckUpdating();
    ~TFormCheckUpdating() override;

    TDownloadItemList* FileList() const { return FList; }
    void SetFileList(TDownloadItemList* v) { FList = v; }
    const std::string& UpdateLog() const { return FUpdateLog; }
    const std::string& AppName() const { return FAppName; }
    // Why the answer was refused as untrustworthy; empty when it was not.
    const std::string& Refusal() const { return FRefusal; }

    void WndProc(gui::TMessage& message) override;

    TZelSkinPanel pnlClient{this};
    TZelSkinLabel lblMessage{&pnlClient};
    TZelSkinForm ZelSkinForm1{this};
    TBusyIndicator act{&pnlClient};

private:
    void FormCreate();
    void FormShow();
    void StartQuery();
    void QueryFinished();

    TDownloadItemList* FList = nullptr;
    std::string FAppName;
    std::string FUpdateLog;
    std::string FRefusal;
    TQueryServerFiles* FThreadWork = nullptr;
};
