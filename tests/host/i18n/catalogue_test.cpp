// Translation catalogues: the .po reader, the shipped catalogues, and the host's
// own messages in each language.
#include "i18n/catalogue.h"

#include <cstdlib>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "base/paths.h"
#include "support/temp_dir.h"
#include "tolm/host_error.h"

namespace {

using hub::Catalogue;

TEST(CatalogueReading, ReadsEntriesAsGettextWritesThem) {
    const Catalogue catalogue = Catalogue::Parse(R"po(# header comment
msgid ""
msgstr ""
"Language: en\n"

#. a multi-line entry with escapes
msgid ""
"第一行\n"
"第二行"
msgstr "First line\n"
"Second \"line\"\t\\ end"

msgctxt "menu"
msgid "删除"
msgstr "Delete"

#, fuzzy, c-format
msgid "审核"
msgstr "Audit (draft)"

msgid "反审核"
msgstr ""

msgid "是"
msgstr[0] "Yes"
)po",
                                                 "sample.po");

    EXPECT_EQ(catalogue.Find("第一行\n第二行"), "First line\nSecond \"line\"\t\\ end");
    EXPECT_EQ(catalogue.Find("删除"), "Delete");  // the context does not hide it
    EXPECT_EQ(catalogue.Find("审核"), std::nullopt) << "a fuzzy translation is a draft, never shown";
    EXPECT_EQ(catalogue.Find("反审核"), std::nullopt) << "an empty msgstr is no translation";
    EXPECT_EQ(catalogue.Find(""), std::nullopt) << "the header is no translation";
    EXPECT_EQ(catalogue.Find("是"), "Yes");
    ASSERT_EQ(catalogue.Entries().size(), 5u);
    EXPECT_TRUE(catalogue.Entries()[2].fuzzy);
    EXPECT_EQ(catalogue.Entries()[1].context, "menu");
}

TEST(CatalogueReading, RefusesDamagedTextNamingTheLine) {
    const char* damaged[] = {
        "msgid \"a\"\nmsgstr \"b\" trailing\n",
        "msgid \"a\"\nmsgstr \"unterminated\n",
        "msgid \"a\"\nmsgstr \"bad \\q escape\"\n",
        "msgstr \"no msgid\"\n",
        "msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"c\"\n",
        "\"stray text\"\n",
    };
    for (const char* text : damaged) {
        try {
            Catalogue::Parse(text, "broken.po");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const tolm::HostError& error) {
            EXPECT_NE(error.Description().find("broken.po:"), std::string::npos) << error.Description();
        }
    }
}

TEST(CatalogueReading, SetLoadsEachLanguageOnceAndReportsMissingFiles) {
    hub::test::TempDir dir;
    hub::test::WriteFile(dir / "en.po", "msgid \"汇率\"\nmsgstr \"Exchange Rate\"\n");
    hub::CatalogueSet set(dir.Path());

    auto first = set.Get("en");
    hub::test::WriteFile(dir / "en.po", "msgid \"汇率\"\nmsgstr \"changed on disk\"\n");
    EXPECT_EQ(set.Get("en"), first) << "a catalogue is read once and kept";
    EXPECT_EQ(set.Find("en", "汇率"), "Exchange Rate");

    EXPECT_THROW(set.Get("cht"), tolm::HostError);
    EXPECT_EQ(set.Find("cht", "汇率"), std::nullopt);
    EXPECT_THROW(set.Get("../en"), tolm::HostError) << "a language code never leaves the folder";
}

// ---- the catalogues the host ships -------------------------------------------------------

std::set<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder("%[0-9]+");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder); it != std::sregex_iterator(); ++it) {
        found.insert(it->str());
    }
    return found;
}

TEST(ShippedCatalogues, AreCompleteAndWellFormed) {
    const auto directory = hub::DataDirectory() / "i18n";
    const Catalogue english = Catalogue::Load(directory / "en.po");
    const Catalogue traditional = Catalogue::Load(directory / "cht.po");

    std::set<std::string> englishIds;
    std::set<std::string> traditionalIds;
    for (const auto* catalogue : {&english, &traditional}) {
        auto& ids = catalogue == &english ? englishIds : traditionalIds;
        for (const Catalogue::Entry& entry : catalogue->Entries()) {
            EXPECT_TRUE(ids.insert(entry.msgid).second) << "duplicate msgid " << entry.msgid;
            EXPECT_FALSE(entry.msgstr.empty()) << "untranslated: " << entry.msgid;
            EXPECT_FALSE(entry.fuzzy) << "fuzzy: " << entry.msgid;
            EXPECT_EQ(Placeholders(entry.msgid), Placeholders(entry.msgstr)) << entry.msgid << " -> " << entry.msgstr;
        }
    }
    EXPECT_EQ(englishIds, traditionalIds);
    EXPECT_GT(englishIds.size(), 50u);
}

TEST(ShippedCatalogues, TranslateHostMessagesIntoEachLanguage) {
    EXPECT_EQ(hub::Translate("chs", "提示"), "提示");
    EXPECT_EQ(hub::Translate("en", "提示"), "Prompt");
    EXPECT_EQ(hub::Translate("cht", "对不起，您没有该功能的权限。"), "對不起，您沒有該功能的權限。");
    EXPECT_EQ(hub::Translate("en", "没有这条消息"), "没有这条消息") << "a missing entry shows the text as written";
    EXPECT_EQ(hub::TranslateFormat("en", "用户 %1 不存在。", {tolm::Variant("zhang")}), "User zhang does not exist.");
}

TEST(DataDirectoryLookup, FollowsTheEnvironmentElseSitsBesideTheProgram) {
    const char* saved = std::getenv("TOLM_DATA_DIR");
    const std::string restore = saved ? saved : "";
    unsetenv("TOLM_DATA_DIR");
    const auto beside = hub::DataDirectory();
    EXPECT_EQ(beside.filename(), "tolm");
    EXPECT_EQ(beside.parent_path().filename(), "share");
    EXPECT_TRUE(std::filesystem::exists(beside / "i18n" / "en.po")) << beside;

    setenv("TOLM_DATA_DIR", "/opt/elsewhere", 1);
    EXPECT_EQ(hub::DataDirectory(), std::filesystem::path("/opt/elsewhere"));
    if (saved) {
        setenv("TOLM_DATA_DIR", restore.c_str(), 1);
    } else {
        unsetenv("TOLM_DATA_DIR");
    }
}

}  // namespace
