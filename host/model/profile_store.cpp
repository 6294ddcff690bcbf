#include "model/profile_store.h"

#include <charconv>
#include <cstdint>

namespace hub {

namespace {

tolm::Variant StoredValue(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    int32_t number = 0;
    auto [end, ec] = std::from_chars(first, last, number);
    if (first != last && ec == std::errc() && end == last) return tolm::Variant(number);
    return tolm::Variant(text);
}

}  // namespace

tolm::Variant ReadProfile(Database& db, const std::string& category, const std::string& key) {
    auto rows = db.Query("SELECT FValue FROM t_SystemProfile WHERE FCategory = ?1 AND FKey = ?2",
                         {tolm::Variant(category), tolm::Variant(key)});
    if (rows->IsEOF()) return {};
    const tolm::Variant value = rows->Field("FValue");
    if (value.IsNull()) return value;
    return StoredValue(value.ToText());
}

void WriteProfile(Database& db, const std::string& category, const std::string& key, const tolm::Variant& value) {
    tolm::Variant stored = tolm::Variant::Null();
    switch (value.Type()) {
        case tolm::VarType::Empty:
        case tolm::VarType::Null: break;
        case tolm::VarType::Boolean: stored = tolm::Variant(value.ToBool() ? "1" : "0"); break;
        default: stored = tolm::Variant(value.ToString()); break;
    }
    db.Execute(
        "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES (?1, ?2, ?3)"
        " ON CONFLICT (FCategory, FKey) DO UPDATE SET FValue = excluded.FValue",
        {tolm::Variant(category), tolm::Variant(key), stored});
}

void AddProfileDefault(Database& db, const std::string& category, const std::string& key, const std::string& value) {
    db.Execute(
        "INSERT INTO t_SystemProfile (FCategory, FKey, FValue) VALUES (?1, ?2, ?3) "
        "ON CONFLICT (FCategory, FKey) DO NOTHING",
        {tolm::Variant(category), tolm::Variant(key), tolm::Variant(value)});
}

}  // namespace hub
