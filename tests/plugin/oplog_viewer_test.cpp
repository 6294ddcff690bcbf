// The operation-log viewer as a person uses it: the host's log list with the real
// plug-in library attached, filtered, clicked, and what the person sees and the
// database holds checked afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "model/log_store.h"
#include "oplog_viewer/log_list_event.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"
#include "tolm/platform.h"
#include "windows/log_list_window.h"

namespace {

using hub::LogCriteria;
using hub::LogListWindow;
using tolm::Variant;

constexpr const char* DeleteKey = "mnuEditDelete4Custom";
constexpr const char* DeleteQuestion = "确定要删除当前过滤出的所有日志记录吗？";

// Connected after the log class, so it hears what the class left in Cancel.
class CancelProbe final : public tolm::IListEvents {
public:
    void MenuBarClick(const std::shared_ptr<tolm::ITool>&, bool& Cancel) override { cancel = Cancel; }
    std::optional<bool> cancel;
};

class LogViewer : public ::testing::Test {
protected:
    // The demo company: administrator holds every log right, accountant view,
    // export and print, clerk none.
    void Open(const std::string& user, const std::string& sort = "") {
        // One host at a time: the class registry belongs to the running one.
        if (m_list) m_list->Close();
        m_list.reset();
        m_host.reset();
        m_probe = std::make_shared<CancelProbe>();
        m_host = std::make_unique<qel::test::HostFixture>(user, "chs", true, m_dir / "classes.json");
        m_host->Loader().RegisterLibrary(TOLM_PLUGIN_PATH);
        hub::Database& db = m_host->Db();
        db.Execute("DELETE FROM t_Log");
        const struct {
            const char* key;
            const char* description;
            const char* machine;
        } records[] = {{"QEL1014002_mnuCheck", "审核 A", "PC-1"},
                       {"QEL1014002_mnuCheck", "审核 B", "PC-2"},
                       {"QEL1014002_mnuFileNewItem", "it's 100%_done' OR 1=1 --", "PC-1"},
                       {"QEL1014002_mnuFileNewItem", "it's 100x done", "PC-2"},
                       {"QEL1014002_mnuEditDel", "删除 C", "PC-1"}};
        int day = 1;
        for (const auto& record : records) {
            hub::WriteLogRecord(db, {tolm::MakeDate(2025, 3, static_cast<unsigned>(day++)), 1, record.key, 5,
                                     record.description, record.machine, "10.0.0.1"});
        }
        m_list = LogListWindow::Create(m_host->Session());
        m_list->SetSortText(sort);
        m_list->Open();
        m_list->Advise(m_probe);
    }
    void TearDown() override {
        if (m_list) m_list->Close();
    }

    int32_t Stored() const { return m_host->Db().Query("SELECT COUNT(*) AS n FROM t_Log")->Field("n").ToLong(); }
    int32_t Shown() const { return m_list->Records()->RecordCount(); }
    bool Asked() const {
        for (const auto& prompt : m_host->Messages()) {
            if (prompt == DeleteQuestion) return true;
        }
        return false;
    }
    static LogCriteria Machine(const char* name) {
        LogCriteria criteria;
        criteria.machine = name;
        return criteria;
    }
    static LogCriteria Function(const char* key) {
        LogCriteria criteria;
        criteria.functionKey = key;
        return criteria;
    }

    hub::test::TempDir m_dir;
    std::unique_ptr<qel::test::HostFixture> m_host;
    std::shared_ptr<LogListWindow> m_list;
    std::shared_ptr<CancelProbe> m_probe = std::make_shared<CancelProbe>();
};

TEST_F(LogViewer, AttachPreparesTheSessionsViewAndSortsNewestFirstOnlyWhenNoSortIsSet) {
    Open("administrator");
    EXPECT_EQ(m_list->SortText(), "v_BASE_LogForQEL.FDate DESC");
    EXPECT_TRUE(m_host->Db().TableExists("v_BASE_LogForQEL"));
    EXPECT_EQ(m_list->Shown()[1].back(), "删除 C");

    Open("administrator", "FDescription ASC");
    EXPECT_EQ(m_list->SortText(), "FDescription ASC");
    EXPECT_EQ(m_list->Shown()[1].back(), "it's 100%_done' OR 1=1 --");
}

TEST_F(LogViewer, MenuHidesWhatALogDoesNotUseMovesExportOntoTheToolBarAndTakesDeleteOver) {
    Open("administrator");
    const auto& menu = *m_list->Menu();
    auto tool = [&](const char* band, const char* key) { return menu.Band(band)->Tools()->Item(key); };
    for (const auto& [band, key] : {std::pair{"menu", "mnuCust"}, {"mnuFile", "mnuFilePrintDesign"},
                                    {"mnuFile", "mnuFileUseEconomizePaper"}, {"BandToolBar", "mnuCaculate"},
                                    {"BandToolBar", "mnuViewUnionQuery"}, {"mnuFormat", "mnuFormatUnionObject"}}) {
        EXPECT_FALSE(tool(band, key)->Visible() || tool(band, key)->Enabled()) << key;
    }
    const auto bar = menu.Band("BandToolBar")->Tools();
    ASSERT_EQ(bar->ItemAt(8)->Key(), "mnuExportData") << "just before print";
    EXPECT_EQ(bar->ItemAt(9)->Key(), "mnuFilePrint");
    EXPECT_EQ(bar->ItemAt(8)->Description(), "引出");
    EXPECT_EQ(bar->ItemAt(8)->ToolTipText(), "引出(&X)");
    EXPECT_TRUE(bar->ItemAt(8)->ShowCaption());
    EXPECT_NO_THROW(tool("mnuEdit", DeleteKey));
    EXPECT_NO_THROW(tool("BandToolBar", DeleteKey));
    EXPECT_TRUE(m_list->EventFailures().empty());
}

TEST_F(LogViewer, DeleteRemovesExactlyTheRecordsShownAfterAskingAndOnlyWithTheRight) {
    struct Case {
        const char* name;
        const char* user;
        std::optional<LogCriteria> filter, quick;
        int32_t answer;
        bool asked;
        int32_t deleted;
    };
    LogCriteria quoted;
    quoted.contains = "100%_done' OR 1=1 --";
    const Case cases[] = {
        {"without the right", "accountant", std::nullopt, std::nullopt, tolm::mb::IdYes, false, 0},
        {"empty list", "administrator", Machine("PC-9"), std::nullopt, tolm::mb::IdYes, false, 0},
        {"declined", "administrator", std::nullopt, std::nullopt, tolm::mb::IdNo, true, 0},
        {"filter only", "administrator", Machine("PC-1"), std::nullopt, tolm::mb::IdYes, true, 3},
        {"quick only", "administrator", std::nullopt, Function("QEL1014002_mnuCheck"), tolm::mb::IdYes, true, 2},
        {"both", "administrator", Machine("PC-1"), Function("QEL1014002_mnuCheck"), tolm::mb::IdYes, true, 1},
        {"neither", "administrator", std::nullopt, std::nullopt, tolm::mb::IdYes, true, 5},
        {"quotes and SQL in a value", "administrator", quoted, std::nullopt, tolm::mb::IdYes, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.user);
        if (c.filter) m_list->SetFilter(*c.filter);
        if (c.quick) m_list->SetQuickFilter(c.quick);
        const int32_t shown = Shown();
        if (c.asked) m_host->Platform().QueueAnswer(c.answer);
        m_list->Click(DeleteKey);
        EXPECT_EQ(m_probe->cancel, true) << "the host never deletes on its own";
        EXPECT_EQ(Asked(), c.asked);
        EXPECT_EQ(Stored(), 5 - c.deleted);
        if (c.deleted > 0) {
            EXPECT_EQ(c.deleted, shown);
            EXPECT_EQ(Shown(), 0) << "the list was read again";
        }
    }
}

TEST_F(LogViewer, ExportAndPrintWriteTheRowsShownOnlyWithTheirRights) {
    struct Case {
        const char* user;
        const char* command;
        const char* file;
        const char* signature;
        bool written;
    };
    const Case cases[] = {
        {"clerk", "mnuExportData", "log.csv", "", false},
        {"clerk", "mnuFilePrint", "log.pdf", "", false},
        {"clerk", "mnuFilePreview", "log.pdf", "", false},
        {"accountant", "mnuExportData", "log.csv", "\xEF\xBB\xBF", true},
        {"accountant", "mnuExportData", "log.xlsx", "PK", true},
        {"accountant", "mnuFilePrint", "log.pdf", "%PDF", true},
        {"accountant", "mnuFilePageSetup", "log.pdf", "%PDF", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.command + " " + c.file);
        const auto path = m_dir / c.file;
        std::filesystem::remove(path);
        Open(c.user);
        m_list->SetFilter(Machine("PC-2"));
        m_host->Platform().QueueFile(path.string());
        m_list->Click(c.command);
        EXPECT_EQ(m_probe->cancel, !c.written);
        ASSERT_EQ(std::filesystem::exists(path), c.written);
        if (c.written) {
            std::ifstream in(path, std::ios::binary);
            const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(content.rfind(c.signature, 0), 0u);
            if (std::string(c.file) == "log.csv") {
                EXPECT_EQ(content, "\xEF\xBB\xBF日期,用户,功能,计算机名,IP地址,描述\r\n"
                                   "2025-03-04,administrator,QEL1014002_mnuFileNewItem,PC-2,10.0.0.1,it's 100x done\r\n"
                                   "2025-03-02,administrator,QEL1014002_mnuCheck,PC-2,10.0.0.1,审核 B\r\n");
            }
        }
    }
}

TEST_F(LogViewer, HelpAnswersF1Only) {
    Open("clerk");
    const auto f1 = m_list->RequestHelp(112);
    EXPECT_EQ(f1.topic, 380081);
    EXPECT_EQ(f1.pathMode, 2);
    const auto other = m_list->RequestHelp(113);
    EXPECT_EQ(other.topic, 0);
    EXPECT_EQ(other.pathMode, 0);
}

// The condition sent for deletion keeps each part in its own parentheses: an OR in
// the filter must not reach past the quick filter.
TEST(LogFilterJoin, EachPartStaysInItsParentheses) {
    struct Case {
        const char* filter;
        int32_t flag;
        const char* quick;
        const char* joined;
    };
    const Case cases[] = {
        {" A ", 1, " B ", "(A) AND (B)"}, {"", 1, "B", "B"},        {"A", 0, "B", "A"},
        {"A", 1, "  ", "A"},              {"", 0, "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(qel::JoinLogFilter(c.filter, c.flag, c.quick), c.joined) << c.filter;
    EXPECT_EQ(qel::QuoteSqlText("O'Neil's"), "'O''Neil''s'");

    qel::test::HostFixture host;
    for (const char* machine : {"PC-1", "PC-2", "PC-3"}) {
        hub::WriteLogRecord(host.Db(), {tolm::MakeDate(2025, 1, 1), 1, "K", 5, "", machine, ""});
    }
    hub::WriteLogRecord(host.Db(), {tolm::MakeDate(2025, 1, 1), 1, "Other", 5, "", "PC-1", ""});
    const std::string condition = qel::JoinLogFilter("FMachineName = 'PC-1' OR FMachineName = 'PC-2'", 1,
                                                     "FFunctionID = 'Other'");
    EXPECT_EQ(hub::DeleteLogRecordsWhere(host.Db(), condition), 1);
}

}  // namespace
