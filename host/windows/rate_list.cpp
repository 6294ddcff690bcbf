#include "windows/rate_list.h"

#include <algorithm>
#include <unordered_map>

#include "i18n/catalogue.h"
#include "model/rate_store.h"
#include "model/type_store.h"
#include "tolm/host_error.h"
#include "windows/rate_display.h"

namespace hub {

namespace {

constexpr const char* Source = "RateList";

std::string DateText(const tolm::Variant& value) {
    return value.Type() == tolm::VarType::Date ? tolm::FormatDateText(value.ToDate()) : value.ToText();
}

}  // namespace

std::string RateDisplayText(double value, int32_t decimals) {
    std::string text = tolm::FormatFixed(value, decimals);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

RateList::RateList(std::shared_ptr<Session> session) : m_session(std::move(session)) {
    if (!m_session) throw tolm::HostError(tolm::err::ObjectNotSet, "The rate list needs a logged-in session", Source);
}

const std::vector<std::string>& RateList::StoredColumns() {
    static const std::vector<std::string> columns{"FID",      "FNumber",  "FName",      "FCyTo",
                                                  "FExchangeRateType", "FExchangeRate", "FReverseExRate",
                                                  "FBegDate", "FEndDate", "FChkUserID"};
    return columns;
}

void RateList::ShowType(std::optional<int32_t> typeId) {
    Database& db = *m_session->Db();
    if (typeId && !TypeExists(db, *typeId)) {
        throw tolm::HostError(tolm::err::ObjectNotFound,
                              TranslateFormat(m_session->Language(), "汇率类型%1不存在。", {*typeId}), Source);
    }
    Fill(RateRows(db, typeId));
}

void RateList::NoRate(int32_t rateId) const {
    throw tolm::HostError(tolm::err::ObjectNotFound,
                          TranslateFormat(m_session->Language(), "没有内码为%1的汇率。", {rateId}), Source);
}

void RateList::ShowRate(int32_t rateId) {
    auto records = RateRow(*m_session->Db(), rateId);
    if (records->IsEOF()) NoRate(rateId);
    Fill(records);
}

void RateList::ShowRates(const std::vector<int32_t>& rateIds) {
    std::unordered_map<int32_t, RateListRow> found;
    for (size_t from = 0; from < rateIds.size(); from += MaxIdsPerRead) {
        const auto first = rateIds.begin() + static_cast<std::ptrdiff_t>(from);
        const auto last = rateIds.begin() + static_cast<std::ptrdiff_t>(std::min(rateIds.size(), from + MaxIdsPerRead));
        for (RateListRow& row : Read(RateRowsWithIds(*m_session->Db(), {first, last}))) found.emplace(row.id, std::move(row));
    }
    std::vector<RateListRow> rows;
    for (int32_t id : rateIds) {
        auto row = found.find(id);
        if (row == found.end()) NoRate(id);
        rows.push_back(row->second);
    }
    Show(std::move(rows));
}

void RateList::Fill(const std::shared_ptr<tolm::MemoryRecordset>& records) { Show(Read(records)); }

void RateList::Show(std::vector<RateListRow> rows) {
    m_rows = std::move(rows);
    m_changes.Notify({WindowChangeKind::Rows, {}});
}

std::vector<RateListRow> RateList::Read(const std::shared_ptr<tolm::MemoryRecordset>& records) const {
    const std::string& language = m_session->Language();
    std::vector<RateListRow> rows;
    for (; !records->IsEOF(); records->MoveNext()) {
        const tolm::MemoryRecordset& record = *records;
        RateListRow row;
        row.id = record.Field("FID").ToLong();
        row.typeId = record.Field("FExchangeRateType").ToLong();
        for (const std::string& column : StoredColumns()) row.stored.push_back(record.Field(column));
        const tolm::Variant digits = record.Field("FTypeDigits");
        const int32_t decimals = digits.IsNull() || digits.IsEmpty() ? DefaultRateDecimals : digits.ToLong();
        auto rateText = [&](const tolm::Variant& value) {
            return value.IsNull() || value.IsEmpty() ? std::string() : RateDisplayText(value.ToDouble(), decimals);
        };
        row.number = record.Field("FNumber").ToText();
        row.name = record.Field("FName").ToText();
        row.currency = record.Field("FCurrencyNumber").ToText();
        row.currencyName = record.Field("FCurrencyName").ToText();
        row.type = record.Field("FTypeNumber").ToText();
        row.typeName = record.Field("FTypeName").ToText();
        row.rate = rateText(record.Field("FExchangeRate"));
        row.reverseRate = rateText(record.Field("FReverseExRate"));
        row.begin = DateText(record.Field("FBegDate"));
        row.end = DateText(record.Field("FEndDate"));
        const tolm::Variant auditor = record.Field("FChkUserID");
        if (!auditor.IsNull() && auditor.ToLong() != 0) {
            const std::string name = record.Field("FAuditorName").ToText();
            // The auditor's user record may have been deleted since.
            row.auditor = name.empty() ? TranslateFormat(language, "用户%1", {auditor}) : name;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace hub
