// The menu bars the host gives its windows: what the plug-in relies on finding.
#include "windows/standard_menu_bars.h"

#include <set>

#include <gtest/gtest.h>

#include "tolm/rate_bill_menu.h"

namespace {

using hub::BuildStandardMenuBar;
using hub::StandardMenu;

std::vector<std::string> KeysOf(const tolm::ITools& tools) {
    std::vector<std::string> keys;
    for (int32_t i = 1; i <= tools.Count(); ++i) keys.push_back(tools.ItemAt(i)->Key());
    return keys;
}

TEST(StandardMenuBars, TheRateListHasTheCommandsThePlugInShapes) {
    auto menuBar = BuildStandardMenuBar(StandardMenu::RateList);
    EXPECT_EQ(KeysOf(*menuBar->Band("menu")->Tools()),
              (std::vector<std::string>{"mnuFile", "mnuEdit", "mnuView", "mnuData", "mnuFormat", "mnuCust",
                                        "mnuHelp"}));
    EXPECT_EQ(KeysOf(*menuBar->Band("mnuEdit")->Tools()),
              (std::vector<std::string>{"mnuEditModify", "mnuEditDel", "mnuCheck", "mnuUnCheck", "mnuEditUse",
                                        "mnuEditUnuse"}));
    EXPECT_EQ(KeysOf(*menuBar->Band("BandToolBar")->Tools()),
              (std::vector<std::string>{"mnuFileNewItem", "mnuEditModify", "mnuEditDel", "mnuCheck", "mnuUnCheck",
                                        "mnuDataFind", "mnuDataRefesh", "mnuFilePreview", "mnuFilePrint",
                                        "mnuFileExit"}));
    for (const char* key : {"mnuFilePrintNoteSetup", "mnuFileNotePreview", "mnuFileNotePrint",
                            "mnuFileEconomizePaper", "mnuFileNewItem"}) {
        EXPECT_NO_THROW(menuBar->Band("mnuFile")->Tools()->Item(key)) << key;
    }
    EXPECT_EQ(menuBar->Band("mnuFile")->Tools()->Item("mnuFileNewItem")->Caption(), "新增(&N)");
    EXPECT_EQ(menuBar->Band("mnuFile")->Tools()->Item("mnuFileNewItem")->ToolTipText(), "新增");
    EXPECT_EQ(menuBar->Band("mnuFile")->Caption(), "文件");
}

TEST(StandardMenuBars, TheTypeListOffersFindInTheDataMenuAndOnTheToolBar) {
    auto menuBar = BuildStandardMenuBar(StandardMenu::TypeList);
    EXPECT_NO_THROW(menuBar->Band("mnuData")->Tools()->Item("mnuDataFind"));
    EXPECT_NO_THROW(menuBar->Band("BandToolBar")->Tools()->Item("mnuDataFind"));
}

TEST(StandardMenuBars, TheBillHasItsMainMenuUnderACapitalisedKey) {
    auto menuBar = BuildStandardMenuBar(StandardMenu::RateBill);
    EXPECT_EQ(menuBar->Band("Menu")->Key(), "Menu");
    for (const tolm::BandTool& hidden : tolm::RateBillHiddenTools) {
        EXPECT_NO_THROW(menuBar->Band(hidden.band)->Tools()->Item(hidden.tool)) << hidden.band << "/" << hidden.tool;
    }
}

TEST(StandardMenuBars, TheLogListHasEveryCommandItsPlugInHidesMovesAndRenames) {
    auto menuBar = BuildStandardMenuBar(StandardMenu::LogList);
    for (auto [band, tool] : std::vector<std::pair<const char*, const char*>>{
             {"menu", "mnuCust"},
             {"mnuFile", "mnuFilePrintDesign"},
             {"mnuFile", "mnuPreHeadFoot"},
             {"mnuFile", "mnuNoteSetup"},
             {"mnuFile", "mnuFileSeriesPrintAll"},
             {"mnuFile", "mnuFileSeriesPrint"},
             {"mnuFile", "mnuFileSeriesPrintViewAll"},
             {"mnuFile", "mnuFileSeriesPrintView"},
             {"mnuFile", "mnuFileUseEconomizePaper"},
             {"mnuFile", "mnuExportData"},
             {"BandToolBar", "mnuDataViewPrvBill"},
             {"BandToolBar", "mnuDataViewNextBill"},
             {"BandToolBar", "mnuDataAccessory"},
             {"BandToolBar", "mnuCaculate"},
             {"BandToolBar", "mnuBackData"},
             {"BandToolBar", "mnuViewUnionQuery"},
             {"BandToolBar", "mnuFilePrint"},
             {"mnuFormat", "mnuFormatUnionObject"},
             {"mnuEdit", "mnuEditDelete"},
             {"BandToolBar", "mnuEditDelete"}}) {
        EXPECT_NO_THROW(menuBar->Band(band)->Tools()->Item(tool)) << band << "/" << tool;
    }
    EXPECT_EQ(menuBar->Band("mnuFile")->Tools()->Item("mnuExportData")->Caption(), "引出(&X)");
}

TEST(StandardMenuBars, EveryToolHasACaptionAndEveryBandItsOwnCopies) {
    for (StandardMenu menu :
         {StandardMenu::RateList, StandardMenu::TypeList, StandardMenu::RateBill, StandardMenu::LogList}) {
        auto menuBar = BuildStandardMenuBar(menu);
        std::set<const tolm::ITool*> seen;
        for (int32_t b = 1; b <= menuBar->BandCount(); ++b) {
            auto tools = menuBar->BandAt(b)->Tools();
            for (int32_t t = 1; t <= tools->Count(); ++t) {
                auto tool = tools->ItemAt(t);
                EXPECT_FALSE(tool->Caption().empty()) << tool->Key();
                EXPECT_TRUE(seen.insert(tool.get()).second) << tool->Key() << " is shared between bands";
                // Every key of a band is known to the global tools, so adding it again is refused.
                EXPECT_NO_THROW(menuBar->Tools()->Item(tool->Key())) << tool->Key();
            }
        }
    }
    auto menuBar = BuildStandardMenuBar(StandardMenu::RateList);
    menuBar->Band("BandToolBar")->Tools()->Item("mnuCheck")->SetVisible(false);
    EXPECT_TRUE(menuBar->Band("mnuEdit")->Tools()->Item("mnuCheck")->Visible());
}

}  // namespace
