#include "services/system_profile.h"

#include <charconv>

namespace hub {

namespace {

// "-12" and "42" are numbers; " 42", "4.0", "1e3" and "+7" stay text, because
// an option's text is compared as the user typed it.
tolm::Variant StoredValue(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    int32_t number = 0;
    auto [end, ec] = std::from_chars(first, last, number);
    if (first != last && ec == std::errc() && end == last) return tolm::Variant(number);
    return tolm::Variant(text);
}

}  // namespace

tolm::Variant ReadProfile(Database& database, const std::string& category, const std::string& key) {
    auto rows = database.Query("SELECT FValue FROM t_SystemProfile WHERE FCategory = ?1 AND FKey = ?2",
                               {tolm::Variant(category), tolm::Variant(key)});
    if (rows->IsEOF()) return {};
    const tolm::Variant value = rows->Field("FValue");
    if (value.IsNull()) return value;
    return StoredValue(value.ToText());
}

SystemProfile::SystemProfile(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant SystemProfile::GetProfile(const std::string& props, const std::string& category,
                                        const std::string& key) {
    RequireOwnProps(props);
    return ReadProfile(Db(), category, key);
}

void SystemProfile::SetProfile(const std::string& props, const std::string& category, const std::string& key,
                               const tolm::Variant& value) {
    RequireOwnProps(props);
    tolm::Variant stored = tolm::Variant::Null();
    switch (value.Type()) {
        case tolm::VarType::Empty:
        case tolm::VarType::Null: break;
        case tolm::VarType::Boolean: stored = tolm::Variant(value.ToBool() ? "1" : "0"); break;
        default: stored = tolm::Variant(value.ToString()); break;
    }
    Db().Execute(
        "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES (?1, ?2, ?3)"
        " ON CONFLICT (FCategory, FKey) DO UPDATE SET FValue = excluded.FValue",
        {tolm::Variant(category), tolm::Variant(key), stored});
}

}  // namespace hub
