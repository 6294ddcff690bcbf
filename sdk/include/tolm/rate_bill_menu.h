// The tools of the exchange-rate editor's menu bar that do not apply to a rate. The
// editor hides each of them when its menu bar is initialised, so a host's bill menu
// bar offers every one of them under these band and tool keys.
#pragma once

namespace tolm {

struct BandTool {
    const char* band;
    const char* tool;
};

inline constexpr BandTool RateBillHiddenTools[] = {
    {"Menu", "mnuCust"},
    {"mnuFile", "mnuFileNotePrintSetup"},
    {"mnuFile", "mnuFilePrintDesign"},
    {"mnuFile", "mnuFilePreview"},
    {"BandToolBar", "mnuFilePreview"},
    {"mnuFile", "mnuFilePrint"},
    {"mnuFile", "mnuFilePageSetup"},
    {"mnuFile", "mnuFilePrintSetup"},
    {"mnuEdit", "mnuManualSubmitMultiCheck"},
    {"mnuData", "mnuDataAccessory"},
    {"mnuData", "mnuDataAccessoryEntry"},
};

}  // namespace tolm
