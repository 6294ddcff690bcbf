// The menu bar as a plug-in shapes it: bands and tools by key, new tools added and
// inserted, pictures taken from the clipboard.
#include "windows/menu_bar.h"

#include <gtest/gtest.h>

#include "platform/headless_platform.h"
#include "tolm/host_error.h"

namespace {

using hub::BandKind;
using hub::MenuBar;
using hub::Tool;

template <class F>
tolm::HostError ErrorOf(F&& action) {
    try {
        action();
    } catch (const tolm::HostError& error) {
        return error;
    }
    ADD_FAILURE() << "no HostError was raised";
    return tolm::HostError(0, "");
}

std::vector<std::string> KeysOf(const tolm::ITools& tools) {
    std::vector<std::string> keys;
    for (int32_t i = 1; i <= tools.Count(); ++i) keys.push_back(tools.ItemAt(i)->Key());
    return keys;
}

class MenuBarTest : public ::testing::Test {
protected:
    MenuBarTest() {
        auto file = m_menuBar.AddBand("mnuFile", "文件", BandKind::DropDown);
        for (const char* key : {"mnuFileNewItem", "mnuFilePreview", "mnuFilePrint"}) {
            file->BandTools()->Append(std::make_shared<Tool>(key, key));
        }
        auto toolBar = m_menuBar.AddBand("BandToolBar", "工具栏", BandKind::ToolBar);
        for (const char* key : {"mnuFileNewItem", "mnuFilePrint"}) {
            toolBar->BandTools()->Append(std::make_shared<Tool>(key, key));
        }
    }

    std::shared_ptr<tolm::ITools> BandTools(const std::string& key) { return m_menuBar.Band(key)->Tools(); }

    MenuBar m_menuBar;
};

TEST_F(MenuBarTest, BandsAndToolsAreFoundWithoutRegardToLetterCase) {
    EXPECT_EQ(m_menuBar.Band("MNUFILE")->Key(), "mnuFile");
    EXPECT_EQ(m_menuBar.Band("bandtoolbar")->Key(), "BandToolBar");
    EXPECT_EQ(BandTools("mnuFile")->Item("MNUFILEPRINT")->Key(), "mnuFilePrint");
    EXPECT_EQ(m_menuBar.BandCount(), 2);
    EXPECT_EQ(m_menuBar.BandAt(2)->Key(), "BandToolBar");
}

TEST_F(MenuBarTest, MissingBandsAndToolsRaiseObjectNotFoundNamingTheKey) {
    tolm::HostError band = ErrorOf([&] { m_menuBar.Band("mnuEdit"); });
    EXPECT_EQ(band.Number(), 35601);
    EXPECT_NE(band.Description().find("mnuEdit"), std::string::npos) << band.Description();

    tolm::HostError tool = ErrorOf([&] { BandTools("mnuFile")->Item("mnuFileExit"); });
    EXPECT_EQ(tool.Number(), 35601);
    EXPECT_NE(tool.Description().find("mnuFileExit"), std::string::npos) << tool.Description();

    auto global = m_menuBar.Tools()->Add("mnuExpExRate");
    tolm::HostError at = ErrorOf([&] { BandTools("mnuFile")->Insert("mnuNoSuchTool", global); });
    EXPECT_EQ(at.Number(), 35601);
    EXPECT_NE(at.Description().find("mnuNoSuchTool"), std::string::npos) << at.Description();
    EXPECT_EQ(BandTools("mnuFile")->Count(), 3) << "a failed insert changes nothing";

    EXPECT_EQ(ErrorOf([&] { BandTools("mnuFile")->ItemAt(4); }).Number(), tolm::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { m_menuBar.BandAt(0); }).Number(), tolm::err::SubscriptOutOfRange);
}

TEST_F(MenuBarTest, AnAddedToolIsInsertedJustBeforeTheKeyedToolAsAnIndependentCopy) {
    auto global = m_menuBar.Tools()->Add("mnuExpExRate");
    global->SetCaption("导出汇率体系(&E)...");
    global->SetShowCaption(false);

    auto inFile = BandTools("mnuFile")->Insert("mnuFileNewItem", global);
    auto inToolBar = BandTools("BandToolBar")->Insert("MNUFILEPRINT", global);
    EXPECT_EQ(KeysOf(*BandTools("mnuFile")),
              (std::vector<std::string>{"mnuExpExRate", "mnuFileNewItem", "mnuFilePreview", "mnuFilePrint"}));
    EXPECT_EQ(KeysOf(*BandTools("BandToolBar")),
              (std::vector<std::string>{"mnuFileNewItem", "mnuExpExRate", "mnuFilePrint"}));
    EXPECT_EQ(inFile->Caption(), "导出汇率体系(&E)...");

    inFile->SetShowCaption(true);
    inToolBar->SetEnabled(false);
    EXPECT_TRUE(BandTools("mnuFile")->Item("mnuExpExRate")->ShowCaption());
    EXPECT_FALSE(global->ShowCaption()) << "the band's copy is its own";
    EXPECT_TRUE(inFile->Enabled()) << "one band's copy does not follow another's";
    EXPECT_FALSE(BandTools("BandToolBar")->Item("mnuExpExRate")->Enabled());

    global->SetCaption("changed later");
    EXPECT_EQ(inFile->Caption(), "导出汇率体系(&E)...") << "copies are taken at insertion";
}

TEST_F(MenuBarTest, InsertingAToolOfAKeyTheBandHasReplacesIt) {
    auto global = m_menuBar.Tools()->Add("mnuImpExRate");
    BandTools("mnuFile")->Insert("mnuFilePrint", global);
    global->SetCaption("second");
    BandTools("mnuFile")->Insert("mnuFileNewItem", global);
    EXPECT_EQ(KeysOf(*BandTools("mnuFile")),
              (std::vector<std::string>{"mnuImpExRate", "mnuFileNewItem", "mnuFilePreview", "mnuFilePrint"}));
    EXPECT_EQ(BandTools("mnuFile")->Item("mnuImpExRate")->Caption(), "second");

    // Taking a band's own tool and inserting it at its own place keeps the order.
    auto preview = BandTools("mnuFile")->Item("mnuFilePreview");
    BandTools("mnuFile")->Insert("mnuFilePreview", preview);
    EXPECT_EQ(KeysOf(*BandTools("mnuFile")),
              (std::vector<std::string>{"mnuImpExRate", "mnuFileNewItem", "mnuFilePreview", "mnuFilePrint"}));

    // A tool taken from one band and put into another, as the log list does with
    // its export command.
    BandTools("BandToolBar")->Insert("mnuFilePrint", BandTools("mnuFile")->Item("mnuFilePreview"));
    EXPECT_EQ(KeysOf(*BandTools("BandToolBar")),
              (std::vector<std::string>{"mnuFileNewItem", "mnuFilePreview", "mnuFilePrint"}));
}

TEST_F(MenuBarTest, ToolsAreAddedToTheMenuBarOnlyAndOnlyUnderNewKeys) {
    auto added = m_menuBar.Tools()->Add("mnuTheSameCheckUser");
    EXPECT_EQ(added->Key(), "mnuTheSameCheckUser");
    EXPECT_EQ(m_menuBar.Tools()->Item("MNUTHESAMECHECKUSER"), added);

    EXPECT_EQ(ErrorOf([&] { m_menuBar.Tools()->Add("mnuthesamecheckuser"); }).Number(), tolm::err::DuplicateKey);
    EXPECT_EQ(ErrorOf([&] { BandTools("mnuFile")->Add("mnuOther"); }).Number(), tolm::err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { m_menuBar.Tools()->Insert("mnuTheSameCheckUser", added); }).Number(),
              tolm::err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { BandTools("mnuFile")->Insert("mnuFilePrint", nullptr); }).Number(),
              tolm::err::ObjectRequired);
}

TEST_F(MenuBarTest, ARenamedToolIsFoundUnderItsNewKeyInItsOwnBandOnly) {
    auto print = BandTools("mnuFile")->Item("mnuFilePrint");
    print->SetKey("mnuFilePrint4Custom");
    EXPECT_EQ(BandTools("mnuFile")->Item("mnuFilePrint4Custom"), print);
    EXPECT_EQ(ErrorOf([&] { BandTools("mnuFile")->Item("mnuFilePrint"); }).Number(), tolm::err::ObjectNotFound);
    EXPECT_EQ(BandTools("BandToolBar")->Item("mnuFilePrint")->Key(), "mnuFilePrint");

    auto preview = BandTools("mnuFile")->Item("mnuFilePreview");
    EXPECT_EQ(ErrorOf([&] { preview->SetKey("MNUFILENEWITEM"); }).Number(), tolm::err::DuplicateKey);
    EXPECT_EQ(preview->Key(), "mnuFilePreview");
}

class ToolPictureTest : public MenuBarTest {
protected:
    void SetUp() override { tolm::InstallPlatform(m_platform); }
    void TearDown() override { tolm::InstallPlatform(nullptr); }

    std::shared_ptr<hub::HeadlessPlatform> m_platform = std::make_shared<hub::HeadlessPlatform>();
};

TEST_F(ToolPictureTest, ThePictureIsTakenFromTheClipboardWithMaskPixelsTransparent) {
    auto tool = BandTools("mnuFile")->Item("mnuFilePrint");
    EXPECT_EQ(ErrorOf([&] { tool->SetPictureFromClipboard(0, tolm::ToolImageMaskColor); }).Number(),
              tolm::err::InvalidProcedureCall)
        << "an empty clipboard";

    m_platform->SetClipboardBitmap(tolm::Bitmap{2, 2, 24, {0xC0C0C0, 0xFF0000, 0x00FFFF, 0xC0C0C0}});
    tool->SetPictureFromClipboard(0, tolm::ToolImageMaskColor);

    const hub::ToolImage* image = std::dynamic_pointer_cast<Tool>(tool)->Image(0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    ASSERT_EQ(image->pixels.size(), 4u);
    EXPECT_EQ(image->pixels[0] >> 24, 0u) << "mask colour is transparent";
    EXPECT_EQ(image->pixels[1], 0xFFFF0000u);
    EXPECT_EQ(image->pixels[2], 0xFF00FFFFu);
    EXPECT_EQ(image->pixels[3] >> 24, 0u);

    // The tool bar's own print tool is another tool: it has no picture until the
    // file menu's one, picture and all, replaces it.
    EXPECT_EQ(std::dynamic_pointer_cast<Tool>(BandTools("BandToolBar")->Item("mnuFilePrint"))->Image(0), nullptr);
    auto copy = BandTools("BandToolBar")->Insert("mnuFileNewItem", tool);
    EXPECT_EQ(*std::dynamic_pointer_cast<Tool>(copy)->Image(0), *image);
    EXPECT_EQ(BandTools("BandToolBar")->Item("mnuFilePrint"), copy);
}

TEST_F(ToolPictureTest, AMalformedClipboardPictureIsRefusedNotReadPastItsEnd) {
    auto tool = BandTools("mnuFile")->Item("mnuFilePrint");
    m_platform->SetClipboardBitmap(tolm::Bitmap{16, 16, 24, std::vector<uint32_t>(10, 0)});
    EXPECT_EQ(ErrorOf([&] { tool->SetPictureFromClipboard(0, tolm::ToolImageMaskColor); }).Number(),
              tolm::err::InvalidProcedureCall);
    EXPECT_EQ(std::dynamic_pointer_cast<Tool>(tool)->Image(0), nullptr);
}

}  // namespace
