// What tolm itself prints follows --lang, Simplified Chinese when none is given,
// and its tables stay lined up when the headings are Chinese.
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;
using nlohmann::json;

// Terminal columns of UTF-8 text made of ASCII, Han and full-width punctuation.
size_t Columns(const std::string& text) {
    size_t columns = 0;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        columns += length >= 3 ? 2 : 1;
        i += length;
    }
    return columns;
}

// The columns at which the cells of a table line start: at the line's start and
// after each run of two or more spaces.
std::vector<size_t> CellStarts(const std::string& line) {
    std::vector<size_t> starts;
    size_t spaces = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ') {
            ++spaces;
            continue;
        }
        if (i == 0 || spaces >= 2) starts.push_back(Columns(line.substr(0, i)));
        spaces = 0;
    }
    return starts;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class TolmLanguage : public hub::test::TolmCompany {
protected:
    // Every cell of every line starts where a heading starts.
    void ExpectAlignedUnderHeadings(const std::string& table, size_t headings) {
        const std::vector<std::string> lines = Lines(table);
        ASSERT_GE(lines.size(), 2u) << table;
        const std::vector<size_t> heads = CellStarts(lines[0]);
        ASSERT_EQ(heads.size(), headings) << lines[0];
        const std::set<size_t> allowed(heads.begin(), heads.end());
        for (size_t i = 1; i < lines.size(); ++i) {
            for (size_t start : CellStarts(lines[i])) {
                EXPECT_TRUE(allowed.count(start) > 0) << "a cell at column " << start << " in\n"
                                                      << lines[0] << "\n"
                                                      << lines[i];
            }
        }
    }
};

TEST_F(TolmLanguage, InitAndARefusedRateSpeakSimplifiedChineseByDefaultAndTraditionalOnRequest) {
    ProcessResult missing = Tolm({"--lang", "cht", "rates"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "tolm: 公司資料庫 " + m_database.string() + " 不存在；請執行 tolm init 建立。\n")
        << "translated before anybody could log in";

    ProcessResult created = Tolm({"init"});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    const json counts = TolmJson({"init"});
    const std::string types = std::to_string(counts.at("types").get<int>());
    const std::string rates = std::to_string(counts.at("rates").get<int>());
    const std::string users = std::to_string(counts.at("users").get<int>());
    const std::string version = std::to_string(counts.at("schemaVersion").get<int>());
    EXPECT_EQ(created.out.rfind("已创建公司数据库 " + m_database.string() + "（结构版本" + version + "）。\n", 0), 0u)
        << created.out;
    EXPECT_NE(created.out.find("公司现有" + types + "个汇率类型、" + rates + "条汇率和" + users + "个用户。\n"),
              std::string::npos)
        << created.out;

    ProcessResult again = Tolm({"--lang", "cht", "init"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "公司資料庫 " + m_database.string() + " 已是最新（結構版本" + version + "）。\n" +
                             "沒有缺少的資料，未新增任何資料。\n" + "公司現有" + types + "個匯率類型、" + rates +
                             "筆匯率和" + users + "位使用者。\n");

    // English has a singular, which the Chinese texts lack.
    auto english = [](const std::string& count, const std::string& thing) {
        return count + " " + thing + (count == "1" ? "" : "s");
    };
    ProcessResult inEnglish = Tolm({"--lang", "en", "init"});
    EXPECT_NE(inEnglish.out.find("The company has " + english(types, "exchange-rate type") + ", " +
                                 english(rates, "rate") + " and " + english(users, "user") + ".\n"),
              std::string::npos)
        << inEnglish.out;

    const std::vector<std::string> zeroRate{"rate",   "new", "--type", "1",          "--currency", "USD",
                                            "--rate", "0",   "--from", "2024-03-01", "--to",       "2024-03-31"};
    ProcessResult refused = Tolm(zeroRate);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("tolm: 插件类 TolmBaseQelPlugin.CExRateBillEdit 未在注册表 " + m_registry.string() +
                               " 中注册；已注册 "),
              std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("汇率值无效，请输入大于0的数值！"), std::string::npos) << refused.err;
    EXPECT_TRUE(refused.err.ends_with("tolm: 汇率未保存。\n")) << refused.err;
    EXPECT_EQ(refused.out, "");

    std::vector<std::string> traditional{"--lang", "cht"};
    traditional.insert(traditional.end(), zeroRate.begin(), zeroRate.end());
    ProcessResult refusedCht = Tolm(traditional);
    EXPECT_EQ(refusedCht.exitCode, 1);
    EXPECT_NE(refusedCht.err.find("匯率值無效，請輸入大於0的數值！"), std::string::npos) << refusedCht.err;
    EXPECT_TRUE(refusedCht.err.ends_with("tolm: 匯率未儲存。\n")) << refusedCht.err;
    EXPECT_EQ(refusedCht.err.find("汇率"), std::string::npos) << "no Simplified text left: " << refusedCht.err;
}

TEST_F(TolmLanguage, ASavedRateIsShownWithTheLabelsOfTheSessionLanguage) {
    ASSERT_EQ(Tolm({"init"}).exitCode, 0);
    ProcessResult saved = Tolm({"--lang", "cht", "rate", "new", "--type", "1", "--currency", "USD", "--rate", "6.8",
                                "--from", "2024-03-01", "--to", "2024-03-31"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const std::vector<std::string> lines = Lines(saved.out);
    ASSERT_EQ(lines.size(), 8u) << saved.out;
    EXPECT_EQ(lines[0], "已儲存：");
    EXPECT_EQ(lines[1].rfind("匯率", 0), 0u) << lines[1];
    EXPECT_EQ(lines[4], "  匯率：      6.8000（反向匯率：0.1471）");
    EXPECT_EQ(lines[5], "  生效日期：  2024-03-01");
    EXPECT_EQ(lines[7], "  審核狀態：  未審核");

    ProcessResult unknown = Tolm({"rate", "show", "999999"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, "tolm: 没有内码为999999的汇率。\n");
}

TEST_F(TolmLanguage, TablesWithChineseHeadingsStayAligned) {
    ASSERT_EQ(Tolm({"init", "--demo"}).exitCode, 0);
    for (const char* language : {"chs", "cht", "en"}) {
        SCOPED_TRACE(language);
        ProcessResult rates = Tolm({"--lang", language, "rates", "--type", "1"});
        ASSERT_EQ(rates.exitCode, 0) << rates.err;
        // Below the line that names the type.
        ExpectAlignedUnderHeadings(rates.out.substr(rates.out.find('\n') + 1), 10);

        ProcessResult log = Tolm({"--lang", language, "log"});
        ASSERT_EQ(log.exitCode, 0) << log.err;
        ExpectAlignedUnderHeadings(log.out, 6);
        for (const std::string& line : Lines(rates.out + log.out)) {
            EXPECT_FALSE(line.ends_with(" ")) << "trailing blanks: [" << line << "]";
        }
    }
    EXPECT_EQ(Lines(Tolm({"rates", "--type", "1"}).out)[1],
              "内码  代码             名称                    币别  汇率    反向汇率   生效日期    失效日期    审核人  状态");

    ProcessResult clerk = Tolm({"--lang", "cht", "--user", "clerk", "log"});
    EXPECT_EQ(clerk.exitCode, 1);
    EXPECT_EQ(clerk.err, "tolm: 使用者 clerk 無權查看上機日誌。\n");
}

}  // namespace
