// frmExpImpRate: the dialog that moves the whole exchange-rate system out to a
// workbook or back in. It only asks for the file and tells the outcome; the host's
// transfer wizard does the moving, and its report is shown in the host's text window.
//
// One dialog serves both directions: the caller sets m_bExport before Show. It
// closes after every run, whatever the outcome.
#pragma once

#include "tolm/form.h"

namespace qel {

class frmExpImpRate final : public tolm::Form {
public:
    frmExpImpRate();
    ~frmExpImpRate() override;

    // True: export; false: import. Set before Show.
    bool m_bExport = false;

    // Shows the dialog modally; returns when it has closed. An error while loading
    // reaches the caller.
    void Show();

    tolm::FormControl& lblPath;
    tolm::FormControl& txtPath;
    tolm::FormControl& cmdPath;
    tolm::FormControl& cmdProcess;
    tolm::FormControl& cmdCancel;
    tolm::FormControl& lblTip;

private:
    void Form_Load();
    void cmdPath_Click();
    void cmdProcess_Click();
    void cmdCancel_Click();
    void ExportRateSystem();
    void ImportRateSystem();
};

}  // namespace qel
