// What the person sees through the services: help pages, translated strings,
// dialog fonts and message boxes.
#include <cstdlib>

#include "base/paths.h"
#include "services/help_tool.h"
#include "services/services_fixture.h"
#include "support/temp_dir.h"
#include "tolm/form.h"
#include "tolm/host_error.h"

namespace {

using hub::test::ServicesTest;
using tolm::Variant;

// Points the data directory at a folder of the test's own for as long as it lives.
class DataDirOverride {
public:
    explicit DataDirOverride(const std::filesystem::path& directory) {
        if (const char* saved = std::getenv("TOLM_DATA_DIR")) m_saved = saved;
        setenv("TOLM_DATA_DIR", directory.c_str(), 1);
    }
    ~DataDirOverride() {
        if (m_saved) {
            setenv("TOLM_DATA_DIR", m_saved->c_str(), 1);
        } else {
            unsetenv("TOLM_DATA_DIR");
        }
    }

private:
    std::optional<std::string> m_saved;
};

class PresentationTest : public ServicesTest {
protected:
    Variant ShowHelp(int32_t topic) {
        std::string s1;
        std::string s2;
        int32_t n1 = 0;
        int32_t n2 = 0;
        return tolm::CreateObject<tolm::IHelpTool>(tolm::classname::HelpTool)->ShowHELP(topic, 0, s1, n1, s2, n2);
    }

    ~PresentationTest() override { hub::SetHelpViewer(nullptr); }
};

TEST_F(PresentationTest, HelpOpensThePageOfTheSessionLanguageElseAFallback) {
    hub::test::TempDir data;
    for (const char* page : {"en/370142.html", "cht/370142.html", "chs/370142.html", "chs/370143.html",
                             "en/380081.html"}) {
        std::filesystem::create_directories((data / "help" / page).parent_path());
        hub::test::WriteFile(data / "help" / page, "<html></html>");
    }
    DataDirOverride dataDir(data.Path());
    std::vector<std::pair<int32_t, std::filesystem::path>> shown;
    hub::SetHelpViewer([&](int32_t topic, const std::filesystem::path& page) { shown.emplace_back(topic, page); });

    LogIn("clerk", "cht");
    EXPECT_TRUE(ShowHelp(370142).ToBool());
    EXPECT_TRUE(ShowHelp(370143).ToBool());
    EXPECT_TRUE(ShowHelp(380081).ToBool());
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].second, data / "help" / "cht" / "370142.html");
    EXPECT_EQ(shown[1].second, data / "help" / "chs" / "370143.html") << "no Traditional page: the Simplified one";
    EXPECT_EQ(shown[2].second, data / "help" / "en" / "380081.html") << "then the English one";
    EXPECT_EQ(hub::LastHelpRequest()->topic, 380081);

    try {
        ShowHelp(999);
        ADD_FAILURE() << "an unknown topic was shown";
    } catch (const tolm::HostError& error) {
        EXPECT_NE(error.Description().find("999"), std::string::npos) << error.Description();
    }
    EXPECT_EQ(shown.size(), 3u);
}

TEST_F(PresentationTest, ShippedHelpCoversEveryTopicOfThePlugin) {
    LogIn("clerk", "en");
    for (int32_t topic : {370140, 370141, 370142, 370143, 370146, 370147, 370148, 370152, 380081}) {
        EXPECT_TRUE(ShowHelp(topic).ToBool());
        EXPECT_EQ(hub::LastHelpRequest()->page,
                  hub::DataDirectory() / "help" / "en" / (std::to_string(topic) + ".html"));
    }
}

TEST_F(PresentationTest, StringLoaderAnswersFromTheCatalogueOfItsLanguage) {
    LogIn("clerk", "en");
    auto loader = tolm::CreateObject<tolm::IResLoader>(tolm::classname::ResLoader);
    loader->SetResDirectory("");
    loader->SetResFileBaseName("TolmBase");

    loader->SetLanguageID("chs");
    EXPECT_EQ(loader->LoadString("新增汇率"), "新增汇率");
    loader->SetLanguageID("en");
    EXPECT_EQ(loader->LoadString("新增汇率"), "New Exchange Rate");
    loader->SetLanguageID("cht");
    EXPECT_EQ(loader->LoadString("新增汇率类型完成-代码：[%1] 名称：[%2]"), "新增匯率類型完成-代碼：[%1] 名稱：[%2]");

    try {
        loader->LoadString("目录里没有的文字");
        ADD_FAILURE() << "an unknown text was translated";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::ObjectNotFound);
    }
    loader->SetResFileBaseName("Other");
    EXPECT_THROW(loader->LoadString("新增汇率"), tolm::HostError);
}

TEST_F(PresentationTest, MessagesReachThePersonAsBoxesInTheirLanguage) {
    LogIn("clerk", "en");
    auto messages = tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService);

    messages->ShowMessage("Saved.");
    m_platform->QueueAnswer(tolm::mb::IdYes);
    m_platform->QueueAnswer(tolm::mb::IdNo);
    bool flag = true;
    EXPECT_TRUE(messages->AskQuestion("Delete?", flag));
    EXPECT_FALSE(messages->AskQuestion("Delete?", flag));
    messages->ReportError(tolm::HostError(tolm::err::Refused, "Type %1 refused"), {Variant("04")});

    const auto& boxes = m_platform->MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].flags, tolm::mb::Information);
    EXPECT_EQ(boxes[0].title, "Prompt");
    EXPECT_EQ(boxes[1].flags, tolm::mb::YesNo | tolm::mb::Question);
    EXPECT_EQ(boxes[3].prompt, "Type 04 refused") << "the person reads no internal error number";
    EXPECT_EQ(boxes[3].flags, tolm::mb::Critical);
    EXPECT_EQ(boxes[3].title, "Error");
}

TEST_F(PresentationTest, SelectAllTextCountsCharactersNotBytes) {
    LogIn("clerk");
    tolm::Form dialog("frm");
    tolm::FormControl& box = dialog.AddControl("txtName", tolm::ControlKind::TextBox, {0, 0, 100, 100}, 0);
    box.SetText("公司汇率A");
    tolm::CreateObject<tolm::IMessageService>(tolm::classname::MessageService)->SelectAllText(box);
    EXPECT_EQ(box.SelStart(), 0);
    EXPECT_EQ(box.SelLength(), 5);
}

}  // namespace
