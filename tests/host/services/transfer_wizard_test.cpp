// The transfer wizard as the transfer dialog calls it: whole rate systems out to a
// workbook and back into another company, files other programs read, refused rows,
// files that are no workbooks, and rights.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "formats/workbook.h"
#include "model/rate_store.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "services_fixture.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "tolm/host_library.h"

namespace hub::test {
namespace {

using tolm::Variant;
using workbook::Cell;

// The system's interpreter, which has the xlrd package the project installs.
constexpr const char* DebianPython = "/usr/bin/python3";

// A copy of what a company holds of the exchange-rate system, one line per type and
// per rate, in an order that does not depend on ids.
std::vector<std::string> Snapshot(Database& db, bool withAudit) {
    std::vector<std::string> lines;
    for (const TypeRow& type : ListTypes(db)) {
        lines.push_back("type " + type.number + "|" + type.name + "|" + type.digits.ToText() + "|" + type.remark);
    }
    auto rates = db.Query(
        "SELECT e.FNumber, e.FName, e.FExchangeRate, e.FReverseExRate, e.FBegDate, e.FEndDate, e.FChkUserID,"
        " h.FDigits, t.FNumber AS FType FROM t_ExchangeRateEntry e JOIN t_ExchangeRate h ON h.FID = e.FID"
        " JOIN t_ExchangeRate t ON t.FID = e.FExchangeRateType ORDER BY e.FNumber");
    for (; !rates->IsEOF(); rates->MoveNext()) {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%.17g|%.17g", rates->Field("FExchangeRate").ToDouble(),
                      rates->Field("FReverseExRate").ToDouble());
        lines.push_back("rate " + rates->Field("FNumber").ToText() + "|" + rates->Field("FName").ToText() + "|" +
                        numbers + "|" + rates->Field("FBegDate").ToText() + "|" + rates->Field("FEndDate").ToText() +
                        "|" + rates->Field("FDigits").ToText() + "|" + rates->Field("FType").ToText() +
                        (withAudit ? "|" + rates->Field("FChkUserID").ToText() : ""));
    }
    return lines;
}

class TransferWizardTest : public ServicesTest {
protected:
    TransferWizardTest() { LogIn("administrator"); }

    // Export and ImportFromData with the arguments the transfer dialog passes.
    bool Export(const std::filesystem::path& file) {
        auto wizard = tolm::CreateObject<tolm::ITransferWizard>(tolm::classname::TransferWizard);
        m_messages = std::make_shared<tolm::Collection>();
        std::string out;
        std::string path = file.string();
        bool flag = false;
        return wizard
            ->Export(Props(), 1014002, 1014002, out, "", int16_t{2}, "", int16_t{4}, path, flag, int16_t{0}, "", "",
                     m_messages)
            .ToBool();
    }
    int32_t Import(const std::filesystem::path& file) {
        auto wizard = tolm::CreateObject<tolm::ITransferWizard>(tolm::classname::TransferWizard);
        m_messages = std::make_shared<tolm::Collection>();
        std::string path = file.string();
        bool flag = false;
        const Variant result = wizard->ImportFromData(Props(), int16_t{4}, path, "", nullptr, m_messages, int16_t{0},
                                                      int16_t{0}, int16_t{0}, false, nullptr, flag, false);
        return result.As<tolm::Dictionary>()->Item("Page1").As<tolm::IImportPage>()->RecordCount();
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> lines;
        for (const Variant& item : *m_messages) lines.push_back(item.ToText());
        return lines;
    }

    // Moves the session to a new company holding nothing but its base data.
    void LogInToNewCompany(const std::string& user = "administrator") {
        m_db = OpenDatabase(":memory:");
        InitCompany(*m_db, false);
        LogIn(user);
    }

    // A workbook written straight with the writer, for files the export never makes.
    void WriteWorkbook(const std::filesystem::path& file,
                       const std::vector<std::pair<std::string, std::vector<workbook::Row>>>& sheets) const {
        auto writer = workbook::CreateWriter(file, *workbook::FormatOfPath(file));
        for (const auto& [name, rows] : sheets) {
            writer->AddSheet(name, {});
            for (const workbook::Row& row : rows) writer->AddRow(row);
        }
        writer->Close();
    }

    TempDir m_dir;
    std::shared_ptr<tolm::Collection> m_messages;
};

// ---- round trips ----------------------------------------------------------------------------

class RoundTrip : public TransferWizardTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RoundTrip, AnotherCompanyGetsTheSameTypesAndRatesUnaudited) {
    // A type with the largest precision and a rate that needs all of it; a disabled
    // rate, which stays behind.
    const int32_t precise = InsertType(*m_db, TypeValues{"P-10", "十位汇率", 10, "备注：全精度"});
    RateValues rate;
    rate.typeId = precise;
    rate.currencyId = 2;
    rate.rate = 7.1234567891;
    rate.reverseRate = tolm::RoundHalfEven(1 / rate.rate, 10);
    rate.begin = tolm::MakeDate(2024, 2, 29);
    rate.end = tolm::MakeDate(2024, 3, 31);
    rate.number = "P-10.USD.20240229";
    rate.name = "十位汇率.美元.20240229";
    InsertRate(*m_db, rate);
    std::vector<std::string> expected = Snapshot(*m_db, false);
    const int32_t rows = Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FLevels = 1") +
                         Count("SELECT COUNT(*) FROM t_ExchangeRateEntry");
    InsertRate(*m_db, [&] {
        RateValues hidden = rate;
        hidden.begin = tolm::MakeDate(2030, 1, 1);
        hidden.end = tolm::MakeDate(2030, 1, 31);
        return hidden;
    }());
    m_db->Execute("UPDATE t_ExchangeRate SET FDeleted = 1 WHERE FID = (SELECT MAX(FID) FROM t_ExchangeRate)");

    const std::filesystem::path file = m_dir / (std::string("rates.") + GetParam());
    ASSERT_TRUE(Export(file)) << ::testing::PrintToString(Messages());
    EXPECT_TRUE(Messages().empty());

    LogInToNewCompany();
    EXPECT_EQ(Import(file), rows);
    EXPECT_TRUE(Messages().empty()) << ::testing::PrintToString(Messages());
    EXPECT_EQ(Snapshot(*m_db, false), expected);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRateEntry WHERE FChkUserID <> 0"), 0);

    // Importing it again adds nothing and refuses nothing: what exists stays.
    EXPECT_EQ(Import(file), rows);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Snapshot(*m_db, false), expected);
}

TEST_P(RoundTrip, EveryNumberTheWriterWritesReadsBackAsTheSameDouble) {
    using Limits = std::numeric_limits<double>;
    const std::vector<double> awkward{Limits::max(), Limits::min(), Limits::denorm_min(), 0.1, 1.0 / 3, 7.2315,
                                      1e-300, 123456789.123456789, 0.1 + 0.2, -2.5e-7};
    // Down a column on one sheet and along a row on the next, among text cells.
    std::vector<workbook::Row> column{{Cell::OfText("列")}};
    workbook::Row row{Cell::OfText("行")};
    for (double value : awkward) {
        column.push_back({Cell::OfText("x"), Cell::OfNumber(value)});
        row.push_back(Cell::OfNumber(value));
    }
    const std::filesystem::path file = m_dir / (std::string("numbers.") + GetParam());
    WriteWorkbook(file, {{"Down", column}, {"Along", {row}}});

    std::vector<double> down, along;
    auto reader = workbook::OpenReader(file, *workbook::FormatOfPath(file));
    reader->ReadSheet(0, [&](int64_t, const workbook::Row& cells) {
        if (cells.size() > 1) down.push_back(cells[1].number);
        return true;
    });
    reader->ReadSheet(1, [&](int64_t, const workbook::Row& cells) {
        for (size_t i = 1; i < cells.size(); ++i) along.push_back(cells[i].number);
        return true;
    });
    ASSERT_EQ(down.size(), awkward.size());
    ASSERT_EQ(along.size(), awkward.size());
    for (size_t i = 0; i < awkward.size(); ++i) {
        EXPECT_EQ(std::bit_cast<uint64_t>(down[i]), std::bit_cast<uint64_t>(awkward[i])) << awkward[i];
        EXPECT_EQ(std::bit_cast<uint64_t>(along[i]), std::bit_cast<uint64_t>(awkward[i])) << awkward[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip, ::testing::Values("xls", "xlsx"));

// ---- what other programs read ---------------------------------------------------------------

// Golden files, written by the project's writers; the .xls writer is deterministic,
// so it must still write exactly that file.
TEST_F(TransferWizardTest, GoldenFilesReadBackAndTheXlsWriterStillWritesThem) {
    const std::vector<std::string> expected = {
        "汇率类型|代码,名称,汇率精度,备注|01,公司汇率,4",
        "汇率|汇率类型代码,币别代码,汇率,生效日期,失效日期|01,USD,7.1234567891,2024-02-29,2024-03-31",
    };
    for (const char* name : {"golden.xls", "golden.xlsx"}) {
        const std::filesystem::path golden = std::filesystem::path(TOLM_TEST_DATA) / name;
        auto reader = workbook::OpenReader(golden, *workbook::FormatOfPath(golden));
        std::vector<std::string> sheets;
        const std::vector<std::string> names = reader->SheetNames();
        for (size_t i = 0; i < names.size(); ++i) {
            std::string text = names[i];
            reader->ReadSheet(i, [&](int64_t, const workbook::Row& row) {
                text += "|";
                for (size_t c = 0; c < row.size(); ++c) {
                    const Cell& cell = row[c];
                    text += c ? "," : "";
                    if (cell.kind == Cell::Kind::Text) text += cell.text;
                    if (cell.kind == Cell::Kind::Number) text += Variant(cell.number).ToText();
                    if (cell.kind == Cell::Kind::Date) text += tolm::FormatDate(cell.date, "yyyy-MM-dd");
                }
                return true;
            });
            sheets.push_back(text);
        }
        EXPECT_EQ(sheets, expected) << name;
    }

    const std::filesystem::path again = m_dir / "again.xls";
    WriteWorkbook(again, {{"汇率类型",
                           {{Cell::OfText("代码"), Cell::OfText("名称"), Cell::OfText("汇率精度"), Cell::OfText("备注")},
                            {Cell::OfText("01"), Cell::OfText("公司汇率"), Cell::OfNumber(4), Cell::OfText("")}}},
                          {"汇率",
                           {{Cell::OfText("汇率类型代码"), Cell::OfText("币别代码"), Cell::OfText("汇率"),
                             Cell::OfText("生效日期"), Cell::OfText("失效日期")},
                            {Cell::OfText("01"), Cell::OfText("USD"), Cell::OfNumber(7.1234567891),
                             Cell::OfDate(tolm::MakeDate(2024, 2, 29)), Cell::OfDate(tolm::MakeDate(2024, 3, 31))}}}});
    EXPECT_EQ(ReadFile(again), ReadFile(std::filesystem::path(TOLM_TEST_DATA) / "golden.xls"));
}

// xlrd, a reader that shares no code with ours, reads what we write: dates as
// dates, rates to the last digit, Chinese text, and a shared-string table long
// enough to continue over many records with strings split between them.
TEST_F(TransferWizardTest, AnotherProgramReadsTheFiles) {
    const char* script =
        "import sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1])\n"
        "for sheet in book.sheets():\n"
        "    rows = sheet.nrows\n"
        "    print(sheet.name, rows)\n"
        "    for r in [1, rows - 1] if rows > 1 else []:\n"
        "        cells = []\n"
        "        for c in sheet.row(r):\n"
        "            if c.ctype == xlrd.XL_CELL_DATE:\n"
        "                cells.append(xlrd.xldate.xldate_as_datetime(c.value, book.datemode).strftime('%Y-%m-%d'))\n"
        "            elif c.ctype == xlrd.XL_CELL_NUMBER:\n"
        "                cells.append(repr(c.value))\n"
        "            else:\n"
        "                cells.append(c.value)\n"
        "        print('|'.join(cells))\n";
    WriteFile(m_dir / "dump.py", script);
    std::vector<workbook::Row> many{{Cell::OfText("名称")}};
    for (int i = 0; i < 3000; ++i) many.push_back({Cell::OfText("第" + std::to_string(i) + "个很长很长很长很长的名称")});
    // Sixteen significant digits: all that the .xlsx writer keeps of a number.
    many.push_back({Cell::OfNumber(7.123456789012345), Cell::OfDate(tolm::MakeDate(9999, 12, 31))});
    for (const char* ext : {"xls", "xlsx"}) {
        const std::filesystem::path file = m_dir / (std::string("many.") + ext);
        WriteWorkbook(file, {{"名称表", many}});
        const ProcessResult result = RunProcess(DebianPython, {(m_dir / "dump.py").string(), file.string()}, m_dir.Path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "名称表 3002\n第0个很长很长很长很长的名称|\n7.123456789012345|9999-12-31\n") << ext;
    }
}

// Past 65,536 rows an .xls goes on in another rates sheet, headed again.
TEST_F(TransferWizardTest, XlsContinuesTheRatesOnAnotherSheet) {
    m_db->Execute(
        "WITH RECURSIVE s(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM s WHERE g + 1 < 66000)"
        " INSERT INTO t_ExchangeRate (FID, FNumber, FName, FDigits, FLevels, FParentID)"
        " SELECT 100000 + g, 'R', 'R', 4, 2, 1 FROM s");
    m_db->Execute(
        "WITH RECURSIVE s(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM s WHERE g + 1 < 66000)"
        " INSERT INTO t_ExchangeRateEntry (FID, FCyTo, FExchangeRateType, FExchangeRate, FBegDate, FEndDate)"
        " SELECT 100000 + g, 2 + g % 11, 1, 7, date('1000-01-01', '+' || (g / 11) || ' days'),"
        " date('1000-01-01', '+' || (g / 11) || ' days') FROM s");
    const int64_t rates = Count("SELECT COUNT(*) FROM t_ExchangeRateEntry");
    const std::filesystem::path file = m_dir / "big.xls";
    ASSERT_TRUE(Export(file)) << ::testing::PrintToString(Messages());

    auto reader = workbook::OpenReader(file, workbook::Format::Xls);
    ASSERT_EQ(reader->SheetNames(), (std::vector<std::string>{"汇率类型", "汇率", "汇率 2"}));
    std::vector<int64_t> lastRows;
    for (size_t i = 1; i < 3; ++i) {
        int64_t last = 0;
        std::string heading;
        reader->ReadSheet(i, [&](int64_t row, const workbook::Row& cells) {
            if (row == 1) heading = cells[0].text;
            last = row;
            return true;
        });
        EXPECT_EQ(heading, "汇率类型代码");
        lastRows.push_back(last);
    }
    EXPECT_EQ(lastRows, (std::vector<int64_t>{65536, rates - 65535 + 1}));
}

// A date cell whose number names no day (1e300 days) reads as that number, for the
// import to refuse its row, instead of failing the whole read.
TEST_F(TransferWizardTest, DateCellsThatNameNoDayAreReadAsTheirNumber) {
    WriteFile(m_dir / "far.py",
              "import sys, struct, zipfile\n"
              "name = sys.argv[1]\n"
              "if name.endswith('.xls'):\n"
              "    data = open(name, 'rb').read()\n"
              "    open(name, 'wb').write(data.replace(struct.pack('<d', 45292.0), struct.pack('<d', 1e300)))\n"
              "else:\n"
              "    src = zipfile.ZipFile(name); items = [(i, src.read(i)) for i in src.infolist()]\n"
              "    with zipfile.ZipFile(name, 'w') as out:\n"
              "        for info, data in items: out.writestr(info, data.replace(b'>45292<', b'>1e300<'))\n");
    for (const char* name : {"far.xls", "far.xlsx"}) {
        const std::filesystem::path file = m_dir / name;
        WriteWorkbook(file, {{"S", {{Cell::OfDate(tolm::MakeDate(2024, 1, 1))}}}});
        ASSERT_EQ(RunProcess(DebianPython, {(m_dir / "far.py").string(), file.string()}, m_dir.Path()).exitCode, 0);
        std::vector<Cell> read;
        workbook::OpenReader(file, *workbook::FormatOfPath(file))->ReadSheet(0, [&](int64_t, const workbook::Row& cells) {
            read = cells;
            return true;
        });
        ASSERT_EQ(read.size(), 1u) << name;
        EXPECT_EQ(read[0].kind, Cell::Kind::Number) << name;
        EXPECT_EQ(read[0].number, 1e300) << name;
    }
}

// ---- refusals -------------------------------------------------------------------------------

TEST_F(TransferWizardTest, RefusedRowsAreListedUnderAHeadingAndTheRestIsStored) {
    LogInToNewCompany();
    InsertType(*m_db, TypeValues{"09", "已有类型", 4, ""});
    RateValues stored;
    stored.typeId = 1;
    stored.currencyId = 2;
    stored.rate = 7;
    stored.reverseRate = 0.1429;
    stored.begin = tolm::MakeDate(2024, 1, 1);
    stored.end = tolm::MakeDate(2024, 1, 31);
    stored.number = "01.USD.20240101";
    stored.name = "公司汇率.美元.20240101";
    InsertRate(*m_db, stored);

    auto text = Cell::OfText;
    auto day = [](int d) { return Cell::OfDate(tolm::MakeDate(2024, 5, static_cast<unsigned>(d))); };
    // Headings in English and in another column order, rates before types.
    WriteWorkbook(m_dir / "in.xlsx",
                  {{"Rates",
                    {{text("Currency code"), text("Type code"), text("Exchange Rate"), text("From"), text("To")},
                     {text("EUR"), text("05"), Cell::OfNumber(7.8), day(1), day(31)},           // new type, same file
                     {text("USD"), text("01"), Cell::OfNumber(9), Cell::OfDate(stored.begin),
                      Cell::OfDate(stored.end)},                                                  // exists: left as is
                     {text("EUR"), text("77"), Cell::OfNumber(7.8), day(1), day(31)},            // unknown type
                     {text("XXX"), text("01"), Cell::OfNumber(7.8), day(1), day(31)},            // unknown currency
                     {text("CNY"), text("01"), Cell::OfNumber(1), day(1), day(31)},              // home currency
                     {text("EUR"), text("01"), Cell::OfNumber(0), day(1), day(31)},              // rate not above 0
                     {text("GBP"), text("01"), Cell::OfNumber(1e308), day(1), day(31)},          // reverse rate 0
                     {text("EUR"), text("01"), Cell::OfNumber(7.8), text("2024-02-30"), day(31)},  // no such day
                     {text("EUR"), text("01"), Cell::OfNumber(7.8), day(31), day(1)},            // ends before
                     {text("USD"), text("01"), Cell::OfNumber(7.2), Cell::OfDate(tolm::MakeDate(2024, 1, 15)),
                      day(1)},                                                                    // overlaps stored
                     {text("EUR"), text("05"), Cell::OfNumber(7.9), day(15), day(20)}}},         // overlaps row 2
                   {"Types",
                    {{text("Code"), text("Name"), text("Rate precision"), text("Remark")},
                     {text("05"), text("新类型"), Cell::OfNumber(3), text("")},
                     {text("09"), text("已有类型改名"), Cell::OfNumber(4), text("")},  // exists: left as is
                     {text(""), text("无代码"), Cell::OfNumber(4), text("")},
                     {text("a b"), text("空格"), Cell::OfNumber(4), text("")},
                     {text("06"), text("新类型"), Cell::OfNumber(4), text("")},  // name taken
                     {text("07"), text("十一位"), Cell::OfNumber(11), text("")},
                     {text("05"), text("重复"), Cell::OfNumber(4), text("")}}}});

    EXPECT_EQ(Import(m_dir / "in.xlsx"), 18);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "以下数据行未导入：",
                              "工作表[Types]第4行：代码不能为空！",
                              "工作表[Types]第5行：代码只能由字母、数字和“-”组成。",
                              "工作表[Types]第6行：汇率类型名称[新类型]已存在。",
                              "工作表[Types]第7行：汇率精度必须是0到10之间的整数。",
                              "工作表[Types]第8行：汇率类型代码[05]在文件中重复。",
                              "工作表[Rates]第4行：汇率类型[77]不存在。",
                              "工作表[Rates]第5行：币别[XXX]不存在。",
                              "工作表[Rates]第6行：不允许录入本位币汇率，请选择其它币别。",
                              "工作表[Rates]第7行：汇率值无效，请输入大于0的数值！",
                              "工作表[Rates]第8行：汇率值无效，请输入大于0的数值！",
                              "工作表[Rates]第9行：生效日期无效：请写成yyyy-MM-dd。",
                              "工作表[Rates]第10行：生效日期不能后于失效日期！",
                              "工作表[Rates]第11行：已存在同一汇率类型、同一币别、同一日期的汇率数据。",
                              "工作表[Rates]第12行：与文件中前面的汇率有效期重叠。",
                          }));
    EXPECT_EQ(Snapshot(*m_db, true),
              (std::vector<std::string>{
                  "type 01|公司汇率|4|", "type 02|预算汇率|4|", "type 05|新类型|3|", "type 09|已有类型|4|",
                  "rate 01.USD.20240101|公司汇率.美元.20240101|7|0.1429|2024-01-01|2024-01-31|4|01|0",
                  "rate 05.EUR.20240501|新类型.欧元.20240501|7.7999999999999998|0.128|2024-05-01|2024-05-31|3|05|0",
              }));
}

// An .xls sheet is read from the file a window of sectors at a time, not whole:
// rows many windows in are stored, a refused row among them is listed alone, and
// damage found windows into the sheet leaves nothing stored at all.
TEST_F(TransferWizardTest, AnXlsSheetReadAWindowAtATimeStoresAllOrNothing) {
    LogInToNewCompany();
    const std::vector<std::string> before = Snapshot(*m_db, true);
    constexpr int Rows = 3000;
    constexpr double Marked = 7.123456789;  // the rate of the row the damage goes into
    std::vector<workbook::Row> rows{{Cell::OfText("汇率类型代码"), Cell::OfText("币别代码"), Cell::OfText("汇率"),
                                     Cell::OfText("生效日期"), Cell::OfText("失效日期")}};
    for (int i = 0; i < Rows; ++i) {
        const Cell day = Cell::OfDate(tolm::MakeDate(2000, 1, 1) + std::chrono::days{i});
        rows.push_back({Cell::OfText("01"), Cell::OfText(i == 1500 ? "XXX" : "USD"),
                        Cell::OfNumber(i == 2500 ? Marked : 7), day, day});
    }
    WriteWorkbook(m_dir / "big.xls", {{"汇率", rows}});
    const std::string whole = ReadFile(m_dir / "big.xls");
    ASSERT_GT(whole.size(), size_t{3} << 16);  // several windows of 64 KiB

    EXPECT_EQ(Import(m_dir / "big.xls"), Rows);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"以下数据行未导入：", "工作表[汇率]第1502行：币别[XXX]不存在。"}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_ExchangeRateEntry"), Rows - 1);

    // The marked row's number record (4 bytes of header, row, column and format
    // before the value) now claims more than a record holds.
    LogInToNewCompany();
    std::string damaged = whole;
    std::string value(sizeof Marked, '\0');
    std::memcpy(value.data(), &Marked, sizeof Marked);
    const size_t at = damaged.find(value);
    ASSERT_NE(at, std::string::npos);
    ASSERT_GT(at, size_t{2} << 16);
    damaged[at - 8] = damaged[at - 7] = '\xFF';
    WriteFile(m_dir / "damaged.xls", damaged);
    try {
        Import(m_dir / "damaged.xls");
        ADD_FAILURE() << "a damaged file was imported";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Description(), "文件[" + (m_dir / "damaged.xls").string() + "]无法读取：它不是Excel工作簿，或者已经损坏。");
    }
    EXPECT_EQ(Snapshot(*m_db, true), before);
}

// Files that are no such workbooks are refused whole, with a reason, and left as
// they were; nothing is stored, not even what came before the damage.
TEST_F(TransferWizardTest, FilesThatAreNoSuchWorkbooksAreRefusedWhole) {
    LogInToNewCompany();
    const std::vector<std::string> before = Snapshot(*m_db, true);
    WriteFile(m_dir / "text.xls", "代码,名称\n05,新类型\n");
    WriteFile(m_dir / "text.xlsx", "PK\x03\x04 not really");
    WriteFile(m_dir / "rates.csv", "05,新类型\n");
    WriteWorkbook(m_dir / "other.xlsx", {{"Sheet1", {{Cell::OfText("Anything")}}}});
    // A good types sheet, then a rates sheet whose XML is cut short.
    WriteWorkbook(m_dir / "damaged.xlsx",
                  {{"汇率类型", {{Cell::OfText("代码"), Cell::OfText("名称"), Cell::OfText("汇率精度"),
                                  Cell::OfText("备注")},
                                 {Cell::OfText("05"), Cell::OfText("新类型"), Cell::OfNumber(3)}}},
                   {"汇率", {{Cell::OfText("汇率类型代码"), Cell::OfText("币别代码"), Cell::OfText("汇率"),
                              Cell::OfText("生效日期"), Cell::OfText("失效日期")},
                             {Cell::OfText("05"), Cell::OfText("USD"), Cell::OfNumber(1)}}}});
    WriteFile(m_dir / "cut.py",
              "import sys, zipfile\n"
              "src = zipfile.ZipFile(sys.argv[1]); items = [(i, src.read(i)) for i in src.infolist()]\n"
              "with zipfile.ZipFile(sys.argv[1], 'w') as out:\n"
              "    for info, data in items:\n"
              "        out.writestr(info, data[:len(data) // 2] if info.filename.endswith('sheet2.xml') else data)\n");
    ASSERT_EQ(RunProcess(DebianPython, {(m_dir / "cut.py").string(), (m_dir / "damaged.xlsx").string()}, m_dir.Path())
                  .exitCode,
              0);
    // An .xls cut in half.
    ASSERT_TRUE(Export(m_dir / "whole.xls"));
    const std::string whole = ReadFile(m_dir / "whole.xls");
    WriteFile(m_dir / "half.xls", whole.substr(0, whole.size() / 2));
    // An .xls whose first directory entry claims a name longer than its field.
    std::string longName = whole;
    const auto byteAt = [&](size_t at) { return static_cast<size_t>(static_cast<unsigned char>(whole[at])); };
    const size_t directory = (byteAt(48) + (byteAt(49) << 8) + 1) << byteAt(30);
    longName[directory + 64] = longName[directory + 65] = '\xFF';
    WriteFile(m_dir / "long-name.xls", longName);
    // An .xls whose first number record claims more bytes than the file has.
    std::string longRecord = whole;
    longRecord[longRecord.find(std::string("\x03\x02\x0e\x00", 4)) + 3] = '\xFB';
    WriteFile(m_dir / "long-record.xls", longRecord);
    // Files no workbook is read from: a device that never ends, a folder, a file
    // past the size an import reads (sparse: it costs no disk), and a small .xlsx
    // whose rates sheet unpacks to 80 MiB.
    std::filesystem::create_symlink("/dev/zero", m_dir / "zero.xls");
    std::filesystem::create_directory(m_dir / "folder.xlsx");
    WriteFile(m_dir / "huge.xls", "");
    std::filesystem::resize_file(m_dir / "huge.xls", workbook::MaxFileSize + 1);
    std::filesystem::copy_file(m_dir / "other.xlsx", m_dir / "bomb.xlsx");
    WriteFile(m_dir / "bomb.py",
              "import sys, zipfile\n"
              "src = zipfile.ZipFile(sys.argv[1]); items = [(i, src.read(i)) for i in src.infolist()]\n"
              "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as out:\n"
              "    for info, data in items:\n"
              "        if not info.filename.endswith('sheet1.xml'): out.writestr(info, data); continue\n"
              "        end = data.index(b'</sheetData>')\n"
              "        with out.open(info.filename, 'w') as part:\n"
              "            part.write(data[:end])\n"
              "            for _ in range(80): part.write(b' ' * (1 << 20))\n"
              "            part.write(data[end:])\n");
    ASSERT_EQ(RunProcess(DebianPython, {(m_dir / "bomb.py").string(), (m_dir / "bomb.xlsx").string()}, m_dir.Path())
                  .exitCode,
              0);
    ASSERT_LT(std::filesystem::file_size(m_dir / "bomb.xlsx"), 1u << 20);

    struct Case {
        const char* file;
        const char* reason;
    };
    const std::string dir = m_dir.Path().string() + "/";
    for (const Case& c : std::initializer_list<Case>{
             {"text.xls", "文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。"},
             {"text.xlsx", "文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。"},
             {"half.xls", "文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。"},
             {"long-name.xls", "文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。"},
             {"long-record.xls", "文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。"},
             {"damaged.xlsx", "文件[%1]无法读取：它不是Excel工作簿，或者已经损坏。"},
             {"rates.csv", "文件[%1]不是Excel文件：请选择扩展名为.xls或.xlsx的文件。"},
             {"other.xlsx", "工作表[Sheet1]的第一行不是汇率类型或汇率的标题行，文件未导入。"},
             {"missing.xlsx", "文件[%1]不存在：请检查文件名和所在的文件夹。"},
             {"zero.xls", "[%1]不是一个文件：请选择保存在磁盘上的Excel工作簿。"},
             {"folder.xlsx", "[%1]不是一个文件：请选择保存在磁盘上的Excel工作簿。"},
             {"huge.xls", "文件[%1]大于256 MB，不能导入：请把数据分成几个较小的文件。"},
             {"bomb.xlsx", "文件[%1]解压后的内容太大，不能导入：请把数据分成几个较小的文件。"},
         }) {
        const bool regular = std::filesystem::is_regular_file(m_dir / c.file) && c.file != std::string("huge.xls");
        const std::string content = regular ? ReadFile(m_dir / c.file) : "";
        std::string reason = c.reason;
        if (const size_t at = reason.find("%1"); at != std::string::npos) reason.replace(at, 2, dir + c.file);
        try {
            Import(m_dir / c.file);
            ADD_FAILURE() << c.file << " was imported";
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Description(), reason) << c.file;
        }
        if (regular) {
            EXPECT_EQ(ReadFile(m_dir / c.file), content) << c.file;
        }
        EXPECT_EQ(Snapshot(*m_db, true), before) << c.file;
    }
}

TEST_F(TransferWizardTest, ExportFailuresAlwaysSayWhyAndLeaveNoFile) {
    struct Case {
        std::filesystem::path file;
        const char* line;
    };
    for (const Case& c : std::initializer_list<Case>{
             {m_dir / "rates.txt", "不是Excel文件"},
             {m_dir / "no-such-folder" / "rates.xls", "无法写入文件"},
             {m_dir / "no-such-folder" / "rates.xlsx", "无法写入文件"},
         }) {
        EXPECT_FALSE(Export(c.file));
        ASSERT_EQ(Messages().size(), 1u) << c.file;
        EXPECT_NE(Messages()[0].find(c.line), std::string::npos) << Messages()[0];
        EXPECT_FALSE(std::filesystem::exists(c.file));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 0);
}

TEST_F(TransferWizardTest, RightsAreCheckedWhoeverCalls) {
    AddUser("clerk2");
    SetRights("clerk2", rights::BaseDataSubsystem, rights::View | rights::Import);
    ASSERT_TRUE(Export(m_dir / "rates.xls"));
    LogIn("clerk2");
    EXPECT_FALSE(Export(m_dir / "mine.xls"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"对不起，您没有导出汇率体系的权限。"});
    EXPECT_FALSE(std::filesystem::exists(m_dir / "mine.xls"));
    EXPECT_NO_THROW(Import(m_dir / "rates.xls"));

    SetRights("clerk2", rights::BaseDataSubsystem, rights::View | rights::Export);
    EXPECT_TRUE(Export(m_dir / "mine.xls"));
    try {
        Import(m_dir / "rates.xls");
        ADD_FAILURE() << "imported without the right";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::AccessDenied);
        EXPECT_EQ(error.Description(), "对不起，您没有导入汇率体系的权限。");
    }
}

// The text window and progress reach the platform: what the command line prints and
// the desktop draws.
TEST_F(TransferWizardTest, TextWindowAndProgressGoToThePlatform) {
    ASSERT_TRUE(Export(m_dir / "rates.xlsx"));
    ASSERT_EQ(m_platform->ProgressRuns().size(), 1u);
    const ProgressRecord& run = m_platform->ProgressRuns()[0];
    EXPECT_EQ(run.caption, "正在导出汇率体系");
    EXPECT_EQ(run.done, run.total);
    EXPECT_EQ(run.total, Count("SELECT COUNT(*) FROM t_ExchangeRateEntry") + 4);

    auto notation = tolm::CreateObject<tolm::INotation>(tolm::classname::Notation);
    notation->SetText("第一行\r\n第二行");
    notation->ShowDialog();
    notation->ShowDialog("导入结果");
    ASSERT_EQ(m_platform->Texts().size(), 2u);
    EXPECT_EQ(m_platform->Texts()[0].title, "提示");
    EXPECT_EQ(m_platform->Texts()[1].title, "导入结果");
    EXPECT_EQ(m_platform->Texts()[1].text, "第一行\r\n第二行");
}

// Every stored rate is a step of the export, a disabled one left out too, so that the
// bar ends full.
TEST_F(TransferWizardTest, ProgressEndsFullWhenRatesAreLeftOut) {
    m_db->Execute("UPDATE t_ExchangeRate SET FDeleted = 1 WHERE FID = (SELECT MAX(FID) FROM t_ExchangeRateEntry)");
    ASSERT_TRUE(Export(m_dir / "rates.xls"));
    ASSERT_EQ(m_platform->ProgressRuns().size(), 1u);
    const ProgressRecord& run = m_platform->ProgressRuns()[0];
    EXPECT_EQ(run.done, run.total);
    EXPECT_EQ(run.total, Count("SELECT COUNT(*) FROM t_ExchangeRateEntry") +
                             Count("SELECT COUNT(*) FROM t_ExchangeRate WHERE FLevels = 1 AND FDeleted = 0"));
}

}  // namespace
}  // namespace hub::test
