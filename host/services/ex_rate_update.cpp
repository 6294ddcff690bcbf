#include "services/ex_rate_update.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "base/text_util.h"
#include "model/type_store.h"
#include "model/user_store.h"
#include "services/rate_book.h"
#include "services/unit_of_work.h"
#include "tolm/base_data.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubBaseData.CExRateUpdate";

// Characters, not bytes: the limits are what a person can type.
int CharacterCount(const std::string& text) { return static_cast<int>(tolm::text::CharacterCount(text)); }

bool IsCodeCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

std::string FieldText(const tolm::NameValueRecord& record, const char* name) {
    const tolm::Variant value = record.GetValue(name);
    return value.IsNull() ? std::string() : value.ToText();
}

std::optional<int32_t> ParseId(const tolm::Variant& value) {
    if (value.Type() == tolm::VarType::Integer || value.Type() == tolm::VarType::Long) return value.ToLong();
    if (value.Type() == tolm::VarType::Double) {
        const double number = value.ToDouble();
        if (number != std::floor(number) || number < std::numeric_limits<int32_t>::min() ||
            number > std::numeric_limits<int32_t>::max()) {
            return std::nullopt;
        }
        return static_cast<int32_t>(number);
    }
    if (value.Type() != tolm::VarType::String) return std::nullopt;
    const std::string text = Trimmed(value.ToString());
    int32_t id = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return id;
}

}  // namespace

ExRateUpdate::ExRateUpdate(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

void ExRateUpdate::RequireRight(int32_t rightBit) const {
    if (!HoldsRight(rights::BaseDataSubsystem, rights::BaseDataObject, rightBit)) Deny("对不起，您没有该功能的权限。");
}

// ---- audit ------------------------------------------------------------------------------

tolm::Variant ExRateUpdate::ExchangeRateCheck(const std::string& props, std::shared_ptr<tolm::Collection>& ids,
                                              bool& bCheck) {
    RequireOwnProps(props);
    if (!ids) throw tolm::HostError(tolm::err::ObjectNotSet, "No collection of rate ids was given", Source);

    std::vector<int32_t> wanted;
    std::set<int32_t> seen;
    for (const tolm::Variant& item : *ids) {
        const std::optional<int32_t> id = ParseId(item);
        if (!id) {
            throw tolm::HostError(tolm::err::InvalidProcedureCall,
                                  "\"" + item.ToText() + "\" is not the id of an exchange rate", Source);
        }
        if (seen.insert(*id).second) wanted.push_back(*id);
    }
    if (wanted.empty()) return tolm::Variant(false);

    const bool audit = bCheck;
    const std::optional<std::string> refusal = RateBook(SharedSession()).Audit(wanted, audit);
    // Told only now that the write lock is released: a person may take a while over
    // the message, and other clients would meet a locked database meanwhile.
    if (refusal) {
        Tell(*refusal);
        RefuseUnit(*refusal, true);
        return tolm::Variant(false);
    }
    return tolm::Variant(true);
}

// ---- types ------------------------------------------------------------------------------

ExRateUpdate::TypeFields ExRateUpdate::ReadTypeFields(const tolm::NameValueRecord& record) const {
    TypeFields fields;
    fields.number = Trimmed(FieldText(record, "FNumber"));
    fields.name = Trimmed(FieldText(record, "FName"));
    fields.remark = Trimmed(FieldText(record, "FRemark"));

    if (fields.number.empty()) Refuse("代码不能为空！");
    if (fields.name.empty()) Refuse("名称不能为空！");
    if (CharacterCount(fields.number) > NumberLength) Refuse("代码不能超过%1个字符。", {tolm::Variant(NumberLength)});
    if (CharacterCount(fields.name) > NameLength) Refuse("名称不能超过%1个字符。", {tolm::Variant(NameLength)});
    if (CharacterCount(fields.remark) > RemarkLength) Refuse("备注不能超过%1个字符。", {tolm::Variant(RemarkLength)});
    for (char c : fields.number) {
        if (!IsCodeCharacter(c)) Refuse("代码只能由字母、数字和“-”组成。");
    }
    if (fields.name.find_first_of("'\"") != std::string::npos) Refuse("名称不能包含单引号或双引号。");

    const tolm::Variant digits = record.GetValue("FDigits");
    const bool number = digits.Type() != tolm::VarType::Boolean && !digits.IsEmpty() && !digits.IsNull() &&
                        !digits.IsObject() && digits.IsNumeric();
    const double value = number ? digits.ToDouble() : -1;
    if (!number || value != std::floor(value) || value < 0 || value > MaxDigits) {
        Refuse("汇率精度必须是0到%1之间的整数。", {tolm::Variant(MaxDigits)});
    }
    fields.digits = static_cast<int32_t>(value);
    return fields;
}

void ExRateUpdate::RequireUnique(const TypeFields& fields, int32_t ownId) const {
    if (OtherTypeWithNumber(Db(), fields.number, ownId)) Refuse("汇率类型代码[%1]已存在。", {tolm::Variant(fields.number)});
    if (OtherTypeWithName(Db(), fields.name, ownId)) Refuse("汇率类型名称[%1]已存在。", {tolm::Variant(fields.name)});
}

tolm::Variant ExRateUpdate::CreateExchangeRateType(const std::string& props,
                                                   std::shared_ptr<tolm::NameValueRecord>& record) {
    RequireOwnProps(props);
    if (!record) throw tolm::HostError(tolm::err::ObjectNotSet, "No exchange-rate type record was given", Source);
    // The right is read under the write lock, like everything the decision rests on.
    Transaction transaction(Db());
    RequireRight(rights::New);
    const TypeFields fields = ReadTypeFields(*record);
    RequireUnique(fields, 0);
    const int32_t id = InsertType(Db(), fields);
    transaction.Commit();
    record->SetValue("FID", tolm::Variant(id));
    return tolm::Variant(id);
}

tolm::Variant ExRateUpdate::UpdateExchangeRateType(const std::string& props,
                                                   std::shared_ptr<tolm::NameValueRecord>& record) {
    RequireOwnProps(props);
    if (!record) throw tolm::HostError(tolm::err::ObjectNotSet, "No exchange-rate type record was given", Source);
    Transaction transaction(Db());
    RequireRight(rights::Modify);
    const std::optional<int32_t> parsedId = ParseId(record->GetValue("FID"));
    if (!parsedId) Refuse("汇率类型[%1]不存在。", {tolm::Variant(FieldText(*record, "FID"))});
    const int32_t id = *parsedId;
    const TypeFields fields = ReadTypeFields(*record);
    // A precision stored as NULL limits nothing.
    const std::optional<TypeValues> stored = FindType(Db(), id, -1);
    if (!stored) Refuse("汇率类型[%1]不存在。", {tolm::Variant(id)});
    if (id < tolm::FirstUserTypeId &&
        (fields.number != Trimmed(stored->number) || fields.name != Trimmed(stored->name))) {
        Refuse("系统预设汇率类型的代码和名称不允许修改。");
    }
    if (fields.digits < stored->digits && TypeHasRates(Db(), id)) {
        Refuse("已存在汇率记录，修改后的汇率精度不能小于当前汇率精度。");
    }
    RequireUnique(fields, id);
    UpdateType(Db(), id, fields);
    transaction.Commit();
    return tolm::Variant(true);
}

tolm::Variant ExRateUpdate::DeleteExchangeRateType(const std::string& props, int32_t& lTypeID) {
    RequireOwnProps(props);
    Transaction transaction(Db());
    RequireRight(rights::Delete);
    const int32_t id = lTypeID;
    if (id < tolm::FirstUserTypeId) Refuse("系统预设汇率类型不允许删除。");
    if (!TypeExists(Db(), id)) Refuse("汇率类型[%1]不存在。", {tolm::Variant(id)});
    if (TypeHasRates(Db(), id)) Refuse("当前汇率类型下存在汇率记录，不允许删除！");
    // What is left under the type are native rates, which live and die with it.
    DeleteType(Db(), id);
    transaction.Commit();
    return tolm::Variant(true);
}

}  // namespace hub
