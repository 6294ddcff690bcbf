#include "services/rate_book.h"

#include <chrono>
#include <unordered_map>

#include "base/clock.h"
#include "model/currency_store.h"
#include "model/profile_store.h"
#include "model/rate_naming.h"
#include "model/rate_store.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "services/unit_of_work.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubBaseData.RateBook";

}  // namespace

RateBook::RateBook(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void RateBook::RequireRight(int32_t rightBit, const char* chineseReason) const {
    if (!HoldsRight(rights::BaseDataSubsystem, rights::BaseDataObject, rightBit)) Deny(chineseReason);
}

void RateBook::RequireSaveRight(bool newRate) const {
    RequireRight(newRate ? rights::New : rights::Modify,
                 newRate ? "对不起，您没有新增汇率的权限。" : "对不起，您没有修改汇率的权限。");
}

int32_t RateBook::SaveRate(const RateValues& row, int32_t openedId, int64_t loadedVersion) const {
    RequireSaveRight(openedId == 0);
    const std::optional<TypeValues> type = FindType(Db(), row.typeId, 6);
    if (!type) Refuse("汇率类型%1不存在。", {row.typeId});
    // The editor's follow-up writes the reverse rate at the type's precision: a rate
    // whose reverse would be stored as 0, or that is no number at all, is refused in
    // the editor's words.
    if (!IsStorableRate(row.rate, type->digits)) Refuse("汇率值无效，请输入大于0的数值！");
    if (!FindCurrency(Db(), row.currencyId)) Refuse("币别%1不存在。", {row.currencyId});
    try {
        if (openedId == 0) {
            try {
                return InsertRate(Db(), row);
            } catch (const tolm::HostError& error) {
                if (error.Number() != tolm::err::Overflow) throw;
                throw tolm::HostError(tolm::err::Overflow, Text("汇率内码已用尽，不能新增汇率。"), Source);
            }
        }
        switch (UpdateRate(Db(), openedId, row, loadedVersion)) {
            case RateUpdate::Saved:
                return openedId;
            case RateUpdate::Missing:
                throw tolm::HostError(tolm::err::ObjectNotFound, Text("汇率%1已不存在。", {openedId}), Source);
            case RateUpdate::Audited:
                Refuse("汇率%1打开后已被审核，不能修改。", {openedId});
            case RateUpdate::ChangedMeanwhile:
                break;
        }
        Refuse("汇率%1打开后已被他人修改，不能保存；请重新打开后再修改。", {openedId});
    } catch (const DatabaseError& error) {
        // Another client saved an overlapping rate after the editor's check: the
        // database refused this one, and the person hears it as the editor says it.
        if (error.Fault() != DatabaseFault::Overlap) throw;
        Refuse("已存在同一汇率类型、同一币别、同一日期的汇率数据。");
    }
}

std::optional<std::string> RateBook::Audit(const std::vector<int32_t>& wanted, bool audit) const {
    // The right, the option and every rate are read under the write lock, so what
    // is judged is what gets written; a refusal rolls the transaction back.
    Transaction transaction(Db());
    if (!HoldsRight(rights::BaseDataSubsystem, rights::BaseDataObject, audit ? rights::Audit : rights::ReverseAudit)) {
        return Text(audit ? "对不起，您没有审核汇率的权限。" : "对不起，您没有反审核汇率的权限。");
    }
    const tolm::Variant sameUserOption = ReadProfile(Db(), "BaseData", "CheckUser");
    const bool onlyAuditorReverses = !audit && sameUserOption.IsNumeric() && sameUserOption.ToDouble() > 0;
    const int32_t userId = CurrentLogin().UserId();

    // Every rate is judged before any is changed, so a refusal leaves all as they were.
    const std::unordered_map<int32_t, RateAudit> audits = FindRateAudits(Db(), wanted);
    for (int32_t id : wanted) {
        const auto found = audits.find(id);
        if (found == audits.end()) return Text("汇率[%1]不存在。", {tolm::Variant(id)});
        const RateAudit& stored = found->second;
        const std::string number = stored.number.empty() ? std::to_string(id) : stored.number;
        if (audit && stored.auditorId != 0) return Text("汇率[%1]已审核，不能重复审核。", {tolm::Variant(number)});
        if (!audit && stored.auditorId == 0) return Text("汇率[%1]未审核，不能反审核。", {tolm::Variant(number)});
        if (onlyAuditorReverses && stored.auditorId != userId) {
            return Text("汇率[%1]由其他用户审核，只有审核人才能反审核。", {tolm::Variant(number)});
        }
    }

    if (audit) {
        SetRatesAudit(Db(), wanted, userId, tolm::DateTime(std::chrono::floor<std::chrono::days>(LocalNow())));
    } else {
        SetRatesAudit(Db(), wanted, 0, std::nullopt);
    }
    transaction.Commit();
    return std::nullopt;
}

void RateBook::DeleteRates(const std::vector<Picked>& rates, const std::function<bool(const Picked&)>& followUp) const {
    RequireRight(rights::Delete, "对不起，您没有删除汇率的权限。");
    Transaction transaction(Db());
    for (const Picked& rate : rates) {
        if (!DeleteUnauditedRate(Db(), rate.id)) {
            Refuse("汇率%1已审核或已不存在，不能删除；没有删除任何汇率。",
                   {rate.number.empty() ? tolm::Variant(rate.id) : tolm::Variant(rate.number)});
        }
        if (!followUp(rate)) Refuse("删除汇率后的处理没有完成，没有删除任何汇率。");
    }
    transaction.Commit();
}

void RateBook::SetRatesDisabled(const std::vector<Picked>& rates, bool disabled) const {
    RequireRight(rights::UseUnuse, disabled ? "对不起，您没有禁用汇率的权限。" : "对不起，您没有使用汇率的权限。");
    Transaction transaction(Db());
    for (const Picked& rate : rates) {
        if (SetRateDisabled(Db(), rate.id, disabled)) continue;
        Refuse(disabled ? "汇率（内码%1）已审核或已不存在，不能禁用；没有改动任何汇率。"
                        : "汇率（内码%1）已不存在；没有改动任何汇率。",
               {rate.id});
    }
    transaction.Commit();
}

}  // namespace hub
