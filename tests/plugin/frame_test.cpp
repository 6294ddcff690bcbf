// The plug-in frame against the real host components: the session property string,
// the operation log, the wait cursor, language and translation, help. Fakes stand in
// only where a component has to fail or count its calls.
//
// A scenario that uses the plug-in's shared state holds a qel::LiveObject, as a host
// holds an object of the library: when the scenario ends, the last object is gone and
// so is the state, and the next scenario starts afresh.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/help.h"
#include "frame/language.h"
#include "frame/live_objects.h"
#include "frame/session_context.h"
#include "services/help_tool.h"
#include "support/host_fixture.h"
#include "tolm/components.h"
#include "tolm/registry.h"

namespace {

using qel::test::HostFixture;

class FakeLangInfo : public tolm::ILangInfo {
public:
    explicit FakeLangInfo(tolm::Variant answer) : m_answer(std::move(answer)) {}
    tolm::Variant CurrentLanguage() override { return m_answer; }

private:
    tolm::Variant m_answer;
};

// A string loader that records what it is asked and answers "[text]", or fails.
struct LoaderLog {
    int created = 0;
    std::vector<std::string> lookups;
    bool fail = false;
};

class FakeLoader : public tolm::IResLoader {
public:
    explicit FakeLoader(LoaderLog& log) : m_log(log) { ++m_log.created; }
    void SetResDirectory(const std::string&) override {}
    void SetResFileBaseName(const std::string&) override {}
    void SetLanguageID(const std::string&) override {}
    std::string LoadString(const std::string& text) override {
        m_log.lookups.push_back(text);
        if (m_log.fail) throw tolm::HostError(tolm::err::ObjectNotFound, "no such text", "FakeLoader");
        return "[" + text + "]";
    }

private:
    LoaderLog& m_log;
};

tolm::ComponentFactory LangAnswering(tolm::Variant answer) {
    return [answer] { return std::make_shared<FakeLangInfo>(answer); };
}

tolm::ComponentFactory Failing() {
    return []() -> std::shared_ptr<tolm::Object> {
        throw tolm::HostError(tolm::err::CannotCreateComponent, "component switched off for the test");
    };
}

// ---- language ---------------------------------------------------------------------

TEST(Language, OnlyTheExactCodesSelectEnglishAndTraditionalChinese) {
    const std::vector<std::pair<tolm::Variant, int32_t>> cases{
        {tolm::Variant("cht"), 3}, {tolm::Variant("en"), 2},   {tolm::Variant("EN"), 1},
        {tolm::Variant("zh"), 1},  {tolm::Variant("chs"), 1},  {tolm::Variant(""), 1},
        {tolm::Variant(), 1},      {tolm::Variant::Null(), 1}, {tolm::Variant(" en"), 1},
    };
    for (const auto& [answer, expected] : cases) {
        tolm::ScopedComponent lang(tolm::classname::LangInfo, LangAnswering(answer));
        const qel::LiveObject inUse;
        EXPECT_EQ(qel::DetectLanguageId(), expected) << answer.ToText();
        EXPECT_EQ(qel::GetLanguageCode(), expected == 2 ? "en" : expected == 3 ? "cht" : "chs");
    }
}

TEST(Language, AMissingLanguageServiceMeansSimplifiedChinese) {
    tolm::ScopedComponent lang(tolm::classname::LangInfo, Failing());
    const qel::LiveObject inUse;
    EXPECT_EQ(qel::GetLanguageId(), 1);
}

TEST(Language, TheAnswerIsKeptWhileAnObjectLives) {
    auto answer = std::make_shared<tolm::Variant>("en");
    tolm::ScopedComponent lang(tolm::classname::LangInfo, [answer] { return std::make_shared<FakeLangInfo>(*answer); });
    EXPECT_EQ(qel::GetLanguageId(), 2) << "asked with no object alive";
    *answer = tolm::Variant("cht");
    const qel::LiveObject inUse;
    EXPECT_EQ(qel::GetLanguageId(), 3) << "an answer from before the first object is not kept";
    *answer = tolm::Variant("en");
    EXPECT_EQ(qel::GetLanguageId(), 3) << "later changes are not seen";
    EXPECT_EQ(qel::DetectLanguageId(), 2) << "detection itself asks each time";
}

// ---- translation ------------------------------------------------------------------

TEST(Translation, SimplifiedChineseNeverCreatesTheStringLoader) {
    HostFixture host("administrator", "chs");
    LoaderLog log;
    tolm::ScopedComponent loader(tolm::classname::ResLoader, [&] { return std::make_shared<FakeLoader>(log); });
    const qel::LiveObject inUse;
    EXPECT_EQ(qel::TranslateText("汇率"), "汇率");
    EXPECT_EQ(qel::TranslateText("  审核 "), "  审核 ");
    EXPECT_EQ(qel::FormatText("删除汇率类型[%1]完成", {"01"}), "删除汇率类型[01]完成");
    EXPECT_EQ(log.created, 0);
}

TEST(Translation, EnglishComesFromTheHostCatalogueWithTheBlanksKept) {
    HostFixture host("administrator", "en");
    const qel::LiveObject inUse;
    const std::string plain = qel::TranslateText("汇率");
    EXPECT_FALSE(plain.empty());
    EXPECT_NE(plain, "汇率");
    EXPECT_EQ(qel::TranslateText("  汇率 "), "  " + plain + " ");
    EXPECT_EQ(qel::TranslateText("不在目录里的文字"), "不在目录里的文字") << "unknown texts stay as written";
}

TEST(Translation, BlankTextsAreNotLookedUpAndPaddingIsStrippedForTheLookup) {
    tolm::ScopedComponent lang(tolm::classname::LangInfo, LangAnswering("en"));
    LoaderLog log;
    tolm::ScopedComponent loader(tolm::classname::ResLoader, [&] { return std::make_shared<FakeLoader>(log); });
    const qel::LiveObject inUse;
    EXPECT_EQ(qel::TranslateText("   "), "   ");
    EXPECT_EQ(qel::TranslateText(""), "");
    EXPECT_TRUE(log.lookups.empty());
    EXPECT_EQ(qel::TranslateText("  汇率 "), "  [汇率] ");
    ASSERT_EQ(log.lookups, std::vector<std::string>{"汇率"});
    qel::TranslateText("审核");
    EXPECT_EQ(log.created, 1) << "the loader is created once and reused";
}

TEST(Translation, APendingErrorSurvivesATranslationThatFails) {
    tolm::ScopedComponent lang(tolm::classname::LangInfo, LangAnswering("en"));
    LoaderLog log;
    log.fail = true;
    tolm::ScopedComponent loader(tolm::classname::ResLoader, [&] { return std::make_shared<FakeLoader>(log); });
    const qel::LiveObject inUse;
    try {
        try {
            throw tolm::HostError(13, "Type mismatch", "CallerSource", "caller.hlp", 4711);
        } catch (const tolm::HostError&) {
            EXPECT_EQ(qel::TranslateText("汇率"), "汇率") << "a failed lookup gives the text as written";
            const tolm::HostError pending = tolm::CurrentError();
            EXPECT_EQ(pending.Number(), 13) << "the handler's error is still the one being handled";
            EXPECT_EQ(pending.Source(), "CallerSource");
            throw;
        }
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), 13);
        EXPECT_EQ(error.Description(), "Type mismatch");
        EXPECT_EQ(error.Source(), "CallerSource");
        EXPECT_EQ(error.HelpFile(), "caller.hlp");
        EXPECT_EQ(error.HelpContext(), 4711);
    }
    EXPECT_EQ(log.lookups.size(), 1u);
}

TEST(Translation, FormatTextFillsTheTranslatedTemplate) {
    HostFixture host("administrator", "en");
    const qel::LiveObject inUse;
    const std::string text = qel::FormatText("确定要删除汇率类型[%1]吗？", {"Month end"});
    EXPECT_NE(text.find("Month end"), std::string::npos) << text;
    EXPECT_EQ(text.find("%1"), std::string::npos) << text;
    EXPECT_EQ(text.find("确定"), std::string::npos) << "the template was translated: " << text;
}

TEST(Translation, FormResourcesComeFromTheHostOrReportWhyNot) {
    HostFixture host("administrator", "en");
    {
        const qel::LiveObject inUse;
        tolm::Form form("frmTest");
        form.SetFont("宋体", 9);
        qel::LoadFormResources(form);
        EXPECT_NE(form.FontName(), "宋体") << "the host applied the language's font";
    }
    tolm::ScopedComponent off(tolm::classname::DlgResLoader, Failing());
    const qel::LiveObject inUse;
    tolm::Form form("frmTest");
    EXPECT_NE(qel::LoadFormResources(form).find("switched off"), std::string::npos);
}

// ---- session property string --------------------------------------------------------

class FakeSessionProps : public tolm::ISessionProps {
public:
    explicit FakeSessionProps(std::string props) : m_props(std::move(props)) {}
    tolm::Variant GetProperty(int32_t&, std::string&) override { return m_props; }

private:
    std::string m_props;
};

TEST(SessionProperties, TheLanguageIsAddedOnlyWhenTheStringHasNone) {
    HostFixture host("administrator", "chs");
    {
        const std::string props = qel::GetPropsString();
        EXPECT_NE(props.find("UserName=administrator"), std::string::npos) << props;
        EXPECT_TRUE(props.ends_with(";Language=chs")) << props;
    }
    tolm::ScopedComponent lang(tolm::classname::LangInfo, LangAnswering("cht"));
    {
        tolm::ScopedComponent props(tolm::classname::SessionProps,
                                    [] { return std::make_shared<FakeSessionProps>("UserID=7;IP=10.0.0.2"); });
        EXPECT_EQ(qel::GetPropsString(), "UserID=7;IP=10.0.0.2;Language=cht");
    }
    {
        tolm::ScopedComponent props(tolm::classname::SessionProps,
                                    [] { return std::make_shared<FakeSessionProps>("UserID=7;lAnGuAgE=en;"); });
        EXPECT_EQ(qel::GetPropsString(), "UserID=7;lAnGuAgE=en;");
    }
}

TEST(SessionProperties, AMissingSessionComponentIsTheCallersError) {
    tolm::ScopedComponent props(tolm::classname::SessionProps, Failing());
    EXPECT_THROW(qel::GetPropsString(), tolm::HostError);
}

TEST(SessionProperties, ValuesAreFoundByWholeEntryKey) {
    using qel::GetPropsValue;
    EXPECT_EQ(GetPropsValue("UserID=1;IP=10.1.2.3", "IP", ";"), "10.1.2.3") << "last entry without separator";
    EXPECT_EQ(GetPropsValue("UserID=1;IP=10.1.2.3;", "ip", ";"), "10.1.2.3") << "key in lower case";
    EXPECT_EQ(GetPropsValue("ServerIP=192.168.0.9;IP=10.1.2.3;", "IP", ";"), "10.1.2.3")
        << "a longer key ending in the asked key is not the key";
    EXPECT_EQ(GetPropsValue("ServerIP=192.168.0.9;", "IP", ";"), "");
    EXPECT_EQ(GetPropsValue("IP=10.1.2.3;MachineName=pc1", "IP", ";"), "10.1.2.3") << "key at the start";
    EXPECT_EQ(GetPropsValue("UserID=1;MachineName=;IP=1", "MachineName", ";"), "");
    EXPECT_EQ(GetPropsValue("UserID=1", "MachineName", ";"), "") << "absent key";
    EXPECT_EQ(GetPropsValue("", "IP", ";"), "");
    EXPECT_EQ(GetPropsValue("A=1|B=2", "B", "|"), "2");
}

// ---- operation log --------------------------------------------------------------------

TEST(OperationLog, ARecordCarriesTheSessionsMachineAndAddress) {
    HostFixture host("administrator", "chs");
    EXPECT_TRUE(qel::WriteOperationLog("QEL1014002_mnuCheck", 5, "汇率审核完成-汇率代码：01", "", ""));
    auto rs =
        host.Db().Query("SELECT FUserName, FFunctionID, FDescription, FMachineName, FIPAddress FROM v_BASE_LogForQEL");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Field("FUserName").ToText(), "administrator");
    EXPECT_EQ(rs->Field("FFunctionID").ToText(), "QEL1014002_mnuCheck");
    EXPECT_EQ(rs->Field("FDescription").ToText(), "汇率审核完成-汇率代码：01");
    EXPECT_EQ(rs->Field("FMachineName").ToText(), host.Session()->MachineName());
    EXPECT_EQ(rs->Field("FIPAddress").ToText(), host.Session()->IpAddress())
        << "the client's address, not the database server's";
}

TEST(OperationLog, GivenMachineAndAddressAreKeptOnlyWhenBothAreGiven) {
    HostFixture host("administrator", "chs");
    qel::WriteOperationLog("QEL1014002_mnuEditDel", 5, "a", "pc-7", "10.9.8.7");
    qel::WriteOperationLog("QEL1014002_mnuEditDel", 5, "b", "pc-7", "");
    auto rs = host.Db().Query("SELECT FMachineName, FIPAddress FROM v_BASE_LogForQEL ORDER BY FDescription");
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Field("FMachineName").ToText(), "pc-7");
    EXPECT_EQ(rs->Field("FIPAddress").ToText(), "10.9.8.7");
    rs->MoveNext();
    EXPECT_EQ(rs->Field("FMachineName").ToText(), host.Session()->MachineName());
    EXPECT_EQ(rs->Field("FIPAddress").ToText(), host.Session()->IpAddress());
}

TEST(OperationLog, AMissingLogServerGivesFalseAndNothingElse) {
    HostFixture host("administrator", "chs");
    tolm::ScopedComponent off(tolm::classname::LogServer, Failing());
    EXPECT_FALSE(qel::WriteOperationLog("QEL1014002_mnuCheck", 5, "x", "", ""));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(host.Db().Query("SELECT 1 FROM t_Log")->RecordCount(), 0);
}

// ---- wait cursor ------------------------------------------------------------------

TEST(WaitCursor, NestedCursorsKeepTheHourglassUntilTheOuterOneEnds) {
    HostFixture host;
    const qel::LiveObject inUse;
    {
        qel::WaitCursor outer;
        EXPECT_EQ(host.Platform().MousePointer(), tolm::PointerHourglass);
        {
            qel::WaitCursor inner;
            EXPECT_EQ(qel::WaitCursor::Count(), 2);
        }
        EXPECT_EQ(host.Platform().MousePointer(), tolm::PointerHourglass) << "the outer one still lives";
    }
    EXPECT_EQ(host.Platform().MousePointer(), tolm::PointerDefault);
    EXPECT_EQ(qel::WaitCursor::Count(), 0);
    EXPECT_EQ(host.Platform().PointerHistory(), (std::vector<int32_t>{tolm::PointerHourglass, tolm::PointerDefault}));
}

// ---- help ---------------------------------------------------------------------------

TEST(Help, F1OpensTheTopicOtherKeysDoNothing) {
    HostFixture host("administrator", "en");
    hub::ClearLastHelpRequest();
    const qel::LiveObject inUse;
    EXPECT_FALSE(qel::ShowHELP(13, 370142, "", 0, "", 0));
    EXPECT_FALSE(hub::LastHelpRequest().has_value());
    EXPECT_TRUE(qel::ShowHELP(112, 370142, "", 0, "", 0));
    ASSERT_TRUE(hub::LastHelpRequest().has_value());
    EXPECT_EQ(hub::LastHelpRequest()->topic, 370142);
    EXPECT_EQ(hub::LastHelpRequest()->page.filename(), "370142.html");
}

TEST(Help, CreationIsRetriedAfterAFailureAndTheKeyCountsAsHandled) {
    HostFixture host;
    int attempts = 0;
    tolm::ScopedComponent help(tolm::classname::HelpTool, [&]() -> std::shared_ptr<tolm::Object> {
        if (++attempts == 1) throw tolm::HostError(tolm::err::CannotCreateComponent, "not yet");
        return nullptr;  // still cannot be created
    });
    const qel::LiveObject inUse;
    EXPECT_TRUE(qel::ShowHELP(112, 370143, "", 0, "", 0)) << "true even when help could not be shown";
    EXPECT_TRUE(qel::ShowHELP(112, 370143, "", 0, "", 0));
    EXPECT_FALSE(qel::ShowHELP(27, 370143, "", 0, "", 0));
    EXPECT_EQ(attempts, 2) << "created anew at each F1 until it works, never for other keys";
    EXPECT_TRUE(host.Messages().empty());
}

}  // namespace
