#include "windows/standard_menu_bars.h"

#include <string_view>
#include <vector>

#include "i18n/catalogue.h"
#include "tolm/host_error.h"
#include "tolm/text.h"

namespace hub {
namespace {

struct ToolText {
    std::string_view key;
    std::string_view caption;
};

// The captions of every tool the standard menus use; tool tips and descriptions are
// the captions without their access keys.
constexpr ToolText Captions[] = {
    // the main menu
    {"mnuFile", "文件(&F)"},
    {"mnuEdit", "编辑(&E)"},
    {"mnuView", "查看(&V)"},
    {"mnuData", "数据(&D)"},
    {"mnuFormat", "格式(&O)"},
    {"mnuCust", "自定义"},
    {"mnuHelp", "帮助(&H)"},
    // file
    {"mnuFileNewItem", "新增(&N)"},
    {"mnuFileImpFeed", "导入公布汇率(&P)..."},
    {"mnuFileSave", "保存(&S)"},
    {"mnuFilePrintNoteSetup", "套打设置"},
    {"mnuFileNotePrintSetup", "套打设置"},
    {"mnuFileNotePreview", "套打预览"},
    {"mnuFileNotePrint", "套打打印"},
    {"mnuFileEconomizePaper", "节约纸张打印"},
    {"mnuFileUseEconomizePaper", "使用节约纸张打印"},
    {"mnuFilePrintDesign", "打印设计"},
    {"mnuPreHeadFoot", "页眉页脚设置"},
    {"mnuNoteSetup", "套打设置"},
    {"mnuFileSeriesPrintAll", "全部连续打印"},
    {"mnuFileSeriesPrint", "连续打印"},
    {"mnuFileSeriesPrintViewAll", "全部连续打印预览"},
    {"mnuFileSeriesPrintView", "连续打印预览"},
    {"mnuExportData", "引出(&X)"},
    {"mnuFilePreview", "打印预览(&V)"},
    {"mnuFilePageSetup", "页面设置(&U)"},
    {"mnuFilePrintSetup", "打印设置"},
    {"mnuFilePrint", "打印(&P)"},
    {"mnuFileExit", "退出(&X)"},
    // edit
    {"mnuEditModify", "修改(&M)"},
    {"mnuEditDel", "删除(&D)"},
    {"mnuEditDelete", "删除(&D)"},
    {"mnuCheck", "审核(&C)"},
    {"mnuUnCheck", "反审核(&U)"},
    {"mnuEditUse", "使用"},
    {"mnuEditUnuse", "禁用"},
    {"mnuManualSubmitMultiCheck", "提交多级审核"},
    // view
    {"mnuViewToolBar", "工具栏(&T)"},
    {"mnuViewStatusBar", "状态栏(&S)"},
    {"mnuViewUnionQuery", "联查"},
    // data
    {"mnuDataFind", "查找(&F)"},
    {"mnuDataRefesh", "刷新(&R)"},
    {"mnuDataAccessory", "附件"},
    {"mnuDataAccessoryEntry", "分录附件"},
    {"mnuDataViewPrvBill", "上一条"},
    {"mnuDataViewNextBill", "下一条"},
    {"mnuCaculate", "计算器"},
    {"mnuBackData", "返回"},
    // format
    {"mnuFormatColumns", "列设置(&C)"},
    {"mnuFormatUnionObject", "组合对象"},
    // help
    {"mnuHelpTopics", "帮助主题(&H)"},
    {"mnuHelpAbout", "关于(&A)"},
};

struct BandLayout {
    std::string_view key;
    BandKind kind;
    std::vector<std::string_view> tools;
};

const std::vector<BandLayout>& LayoutOf(StandardMenu menu) {
    static const std::vector<BandLayout> rateList{
        {"menu", BandKind::MainMenu, {"mnuFile", "mnuEdit", "mnuView", "mnuData", "mnuFormat", "mnuCust", "mnuHelp"}},
        {"mnuFile",
         BandKind::DropDown,
         {"mnuFileNewItem", "mnuFileImpFeed", "mnuFilePrintNoteSetup", "mnuFileNotePreview", "mnuFileNotePrint", "mnuFileEconomizePaper",
          "mnuFilePreview", "mnuFilePageSetup", "mnuFilePrint", "mnuFileExit"}},
        {"mnuEdit",
         BandKind::DropDown,
         {"mnuEditModify", "mnuEditDel", "mnuCheck", "mnuUnCheck", "mnuEditUse", "mnuEditUnuse"}},
        {"mnuView", BandKind::DropDown, {"mnuViewToolBar", "mnuViewStatusBar"}},
        {"mnuData", BandKind::DropDown, {"mnuDataFind", "mnuDataRefesh"}},
        {"mnuFormat", BandKind::DropDown, {"mnuFormatColumns"}},
        {"mnuHelp", BandKind::DropDown, {"mnuHelpTopics", "mnuHelpAbout"}},
        {"BandToolBar",
         BandKind::ToolBar,
         {"mnuFileNewItem", "mnuEditModify", "mnuEditDel", "mnuCheck", "mnuUnCheck", "mnuDataFind", "mnuDataRefesh",
          "mnuFilePreview", "mnuFilePrint", "mnuFileExit"}},
    };
    static const std::vector<BandLayout> typeList{
        {"menu", BandKind::MainMenu, {"mnuFile", "mnuEdit", "mnuView", "mnuData", "mnuFormat", "mnuCust", "mnuHelp"}},
        {"mnuFile",
         BandKind::DropDown,
         {"mnuFileNewItem", "mnuFilePreview", "mnuFilePageSetup", "mnuFilePrint", "mnuFileExit"}},
        {"mnuEdit", BandKind::DropDown, {"mnuEditModify", "mnuEditDel"}},
        {"mnuView", BandKind::DropDown, {"mnuViewToolBar", "mnuViewStatusBar"}},
        {"mnuData", BandKind::DropDown, {"mnuDataFind", "mnuDataRefesh"}},
        {"mnuFormat", BandKind::DropDown, {"mnuFormatColumns"}},
        {"mnuHelp", BandKind::DropDown, {"mnuHelpTopics", "mnuHelpAbout"}},
        {"BandToolBar",
         BandKind::ToolBar,
         {"mnuFileNewItem", "mnuEditModify", "mnuEditDel", "mnuDataFind", "mnuDataRefesh", "mnuFilePreview",
          "mnuFilePrint", "mnuFileExit"}},
    };
    static const std::vector<BandLayout> rateBill{
        {"Menu", BandKind::MainMenu, {"mnuFile", "mnuEdit", "mnuView", "mnuData", "mnuCust", "mnuHelp"}},
        {"mnuFile",
         BandKind::DropDown,
         {"mnuFileSave", "mnuFileNotePrintSetup", "mnuFilePrintDesign", "mnuFilePreview", "mnuFilePrint",
          "mnuFilePageSetup", "mnuFilePrintSetup", "mnuFileExit"}},
        {"mnuEdit", BandKind::DropDown, {"mnuManualSubmitMultiCheck"}},
        {"mnuView", BandKind::DropDown, {"mnuViewToolBar", "mnuViewStatusBar"}},
        {"mnuData", BandKind::DropDown, {"mnuDataAccessory", "mnuDataAccessoryEntry"}},
        {"mnuHelp", BandKind::DropDown, {"mnuHelpTopics", "mnuHelpAbout"}},
        {"BandToolBar", BandKind::ToolBar, {"mnuFileSave", "mnuFilePreview", "mnuFilePrint", "mnuFileExit"}},
    };
    static const std::vector<BandLayout> logList{
        {"menu", BandKind::MainMenu, {"mnuFile", "mnuEdit", "mnuView", "mnuFormat", "mnuCust", "mnuHelp"}},
        {"mnuFile",
         BandKind::DropDown,
         {"mnuFilePrintDesign", "mnuPreHeadFoot", "mnuNoteSetup", "mnuFileSeriesPrintAll", "mnuFileSeriesPrint",
          "mnuFileSeriesPrintViewAll", "mnuFileSeriesPrintView", "mnuFileUseEconomizePaper", "mnuExportData",
          "mnuFilePreview", "mnuFilePageSetup", "mnuFilePrint", "mnuFileExit"}},
        {"mnuEdit", BandKind::DropDown, {"mnuEditDelete"}},
        {"mnuView", BandKind::DropDown, {"mnuViewToolBar", "mnuViewStatusBar"}},
        {"mnuFormat", BandKind::DropDown, {"mnuFormatUnionObject"}},
        {"mnuHelp", BandKind::DropDown, {"mnuHelpTopics", "mnuHelpAbout"}},
        {"BandToolBar",
         BandKind::ToolBar,
         {"mnuDataViewPrvBill", "mnuDataViewNextBill", "mnuDataAccessory", "mnuCaculate", "mnuBackData",
          "mnuViewUnionQuery", "mnuFilePreview", "mnuFilePrint", "mnuEditDelete", "mnuFileExit"}},
    };
    switch (menu) {
        case StandardMenu::RateList: return rateList;
        case StandardMenu::TypeList: return typeList;
        case StandardMenu::RateBill: return rateBill;
        case StandardMenu::LogList: return logList;
    }
    return rateList;
}

// "打印预览(&V)" -> "打印预览": the text a tool tip shows.
std::string PlainText(std::string_view caption) {
    std::string text(caption);
    const auto accelerator = text.find("(&");
    if (accelerator != std::string::npos) {
        const auto close = text.find(')', accelerator);
        if (close != std::string::npos) text.erase(accelerator, close - accelerator + 1);
    }
    std::string plain;
    for (char c : text) {
        if (c != '&') plain.push_back(c);
    }
    while (plain.size() >= 3 && plain.compare(plain.size() - 3, 3, "...") == 0) plain.resize(plain.size() - 3);
    return plain;
}

std::shared_ptr<Tool> NewStandardTool(std::string_view key, const std::string& language) {
    const std::string chinese = StandardCaption(std::string(key));
    if (chinese.empty()) {
        throw tolm::HostError(tolm::err::InternalError, "The standard menus have no caption for " + std::string(key),
                              "MenuBar");
    }
    const std::string caption = Translate(language, chinese);
    auto tool = std::make_shared<Tool>(std::string(key), caption);
    tool->SetToolTipText(PlainText(caption));
    tool->SetDescription(PlainText(caption));
    return tool;
}

}  // namespace

std::string StandardCaption(const std::string& key) {
    for (const auto& entry : Captions) {
        if (tolm::text::EqualsNoCase(std::string(entry.key), key)) return std::string(entry.caption);
    }
    return {};
}

std::shared_ptr<MenuBar> BuildStandardMenuBar(StandardMenu menu, const std::string& language) {
    auto menuBar = std::make_shared<MenuBar>();
    const auto& global = menuBar->GlobalTools();
    for (const BandLayout& layout : LayoutOf(menu)) {
        std::string caption;
        switch (layout.kind) {
            case BandKind::MainMenu: caption = "菜单栏"; break;
            case BandKind::ToolBar: caption = "工具栏"; break;
            case BandKind::DropDown: caption = StandardCaption(std::string(layout.key)); break;
        }
        caption = PlainText(Translate(language, caption));
        auto band = menuBar->AddBand(std::string(layout.key), caption, layout.kind);
        for (std::string_view key : layout.tools) {
            std::shared_ptr<Tool> master = global->Find(std::string(key));
            if (!master) master = global->Append(NewStandardTool(key, language));
            band->BandTools()->Append(Tool::CopyOf(*master));
        }
    }
    return menuBar;
}

}  // namespace hub
