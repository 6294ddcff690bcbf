// The host library's general objects: dictionary, collection, name-value record,
// in-memory record set and the template filler.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tolm/export.h"
#include "tolm/object.h"
#include "tolm/recordset.h"
#include "tolm/variant.h"

namespace tolm {

// Insertion-ordered map from text keys (compared exactly, letter case counts) to
// values.
class TOLM_SDK_API Dictionary : public Object {
public:
    using Entry = std::pair<std::string, Variant>;

    int32_t Count() const { return static_cast<int32_t>(m_entries.size()); }
    // The key at a 1-based position; raises SubscriptOutOfRange outside 1..Count.
    const std::string& Key(int32_t index) const;
    bool Exists(const std::string& key) const { return Find(key) != NotFound; }
    // The value under key; Empty when the key is absent (nothing is added).
    Variant Item(const std::string& key) const;
    // Adds the key at the end, or replaces the value of an existing key in place.
    void SetItem(const std::string& key, Variant value);
    // The value under key, or defaultValue when the key is absent.
    Variant GetValue(const std::string& key, const Variant& defaultValue) const;
    // Removes the key; raises ObjectNotFound when it is absent.
    void Remove(const std::string& key);
    void RemoveAll();
    // Room for `count` keys, for a caller that knows how many it will add.
    void Reserve(size_t count) { m_entries.reserve(count); }

    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    static constexpr size_t NotFound = static_cast<size_t>(-1);
    // Most dictionaries (a record's pages, a row's fields) hold a handful of keys and
    // are built by the thousand: those are searched in order, and only a larger one
    // keeps an index.
    static constexpr size_t UnindexedSize = 16;
    size_t Find(const std::string& key) const;

    std::vector<Entry> m_entries;
    std::unordered_map<std::string, size_t> m_index;  // empty while unindexed
    bool m_indexed = false;
};

// A 1-based ordered list of values.
class TOLM_SDK_API Collection : public Object {
public:
    int32_t Count() const { return static_cast<int32_t>(m_items.size()); }
    // Raises SubscriptOutOfRange outside 1..Count.
    const Variant& Item(int32_t index) const;
    void Add(Variant value) { m_items.push_back(std::move(value)); }
    void Remove(int32_t index);
    void Clear() { m_items.clear(); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<Variant> m_items;
};

// A record of named values; names are compared without regard to letter case and
// keep the order in which they were first set.
class TOLM_SDK_API NameValueRecord : public Object {
public:
    void SetValue(const std::string& name, Variant value);
    Variant GetValue(const std::string& name, const Variant& defaultValue = {}) const;
    bool Exists(const std::string& name) const;
    int32_t Count() const { return static_cast<int32_t>(m_entries.size()); }
    // The name at a 1-based position; raises SubscriptOutOfRange outside 1..Count.
    const std::string& Name(int32_t index) const;

private:
    std::vector<std::pair<std::string, Variant>> m_entries;
};

// A record set held in memory: the columns, then rows of values in column order.
class TOLM_SDK_API MemoryRecordset : public IRecordset {
public:
    MemoryRecordset(std::vector<std::string> columns, std::vector<std::vector<Variant>> rows);

    bool IsEOF() const override;
    Variant Field(const std::string& name) const override;
    void MoveFirst() override;
    void MoveNext() override;
    int32_t RecordCount() const override;
    std::vector<std::string> Columns() const override { return m_columns; }

    const std::vector<std::vector<Variant>>& Rows() const { return m_rows; }

private:
    std::vector<std::string> m_columns;
    std::vector<std::vector<Variant>> m_rows;
    size_t m_position = 0;
};

// Fills templates: %1..%9 take the values at positions 0..8; a '%' followed by two
// digits is read as one two-digit placeholder (%10 takes position 9, %12 position 11).
// A placeholder without a value, "%0" and a lone '%' stay as written. Values are
// written with Variant::ToText.
class TOLM_SDK_API TemplateFiller : public Object {
public:
    // For SQL templates.
    std::string FillTemplate(const std::string& templateText, const VariantArray& values) const;
    // For message templates; the same filling.
    std::string FillMessage(const std::string& templateText, const VariantArray& values) const;
};

}  // namespace tolm
