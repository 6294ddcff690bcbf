#include "tolm/host_library.h"

#include <algorithm>

#include "tolm/text.h"

namespace tolm {

namespace {

[[noreturn]] void RaiseSubscriptOutOfRange(int32_t index, int32_t count) {
    throw HostError(err::SubscriptOutOfRange, "Subscript out of range: " + std::to_string(index) +
                                                  " is not between 1 and " + std::to_string(count));
}

}  // namespace

// ---- Dictionary ------------------------------------------------------------------------

const std::string& Dictionary::Key(int32_t index) const {
    if (index < 1 || index > Count()) RaiseSubscriptOutOfRange(index, Count());
    return m_entries[static_cast<size_t>(index - 1)].first;
}

size_t Dictionary::Find(const std::string& key) const {
    if (m_indexed) {
        auto found = m_index.find(key);
        return found == m_index.end() ? NotFound : found->second;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].first == key) return i;
    }
    return NotFound;
}

Variant Dictionary::Item(const std::string& key) const {
    const size_t found = Find(key);
    return found == NotFound ? Variant() : m_entries[found].second;
}

void Dictionary::SetItem(const std::string& key, Variant value) {
    const size_t found = Find(key);
    if (found != NotFound) {
        m_entries[found].second = std::move(value);
        return;
    }
    m_entries.emplace_back(key, std::move(value));
    if (m_indexed) {
        m_index.emplace(key, m_entries.size() - 1);
    } else if (m_entries.size() > UnindexedSize) {
        for (size_t i = 0; i < m_entries.size(); ++i) m_index.emplace(m_entries[i].first, i);
        m_indexed = true;
    }
}

Variant Dictionary::GetValue(const std::string& key, const Variant& defaultValue) const {
    const size_t found = Find(key);
    return found == NotFound ? defaultValue : m_entries[found].second;
}

void Dictionary::Remove(const std::string& key) {
    const size_t position = Find(key);
    if (position == NotFound) throw HostError(err::ObjectNotFound, "Element not found: " + key);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(position));
    if (!m_indexed) return;
    m_index.erase(key);
    // Later entries moved up by one; their positions in the index follow.
    for (size_t i = position; i < m_entries.size(); ++i) m_index[m_entries[i].first] = i;
}

void Dictionary::RemoveAll() {
    m_entries.clear();
    m_index.clear();
    m_indexed = false;
}

// ---- Collection ------------------------------------------------------------------------

const Variant& Collection::Item(int32_t index) const {
    if (index < 1 || index > Count()) RaiseSubscriptOutOfRange(index, Count());
    return m_items[static_cast<size_t>(index - 1)];
}

void Collection::Remove(int32_t index) {
    if (index < 1 || index > Count()) RaiseSubscriptOutOfRange(index, Count());
    m_items.erase(m_items.begin() + (index - 1));
}

// ---- NameValueRecord ---------------------------------------------------------------------

namespace {

template <class Entries>
auto FindName(Entries& entries, const std::string& name) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const auto& entry) { return text::EqualsNoCase(entry.first, name); });
}

}  // namespace

void NameValueRecord::SetValue(const std::string& name, Variant value) {
    auto found = FindName(m_entries, name);
    if (found != m_entries.end()) {
        found->second = std::move(value);
    } else {
        m_entries.emplace_back(name, std::move(value));
    }
}

Variant NameValueRecord::GetValue(const std::string& name, const Variant& defaultValue) const {
    auto found = FindName(m_entries, name);
    return found == m_entries.end() ? defaultValue : found->second;
}

bool NameValueRecord::Exists(const std::string& name) const {
    return FindName(m_entries, name) != m_entries.end();
}

const std::string& NameValueRecord::Name(int32_t index) const {
    if (index < 1 || index > Count()) RaiseSubscriptOutOfRange(index, Count());
    return m_entries[static_cast<size_t>(index - 1)].first;
}

// ---- MemoryRecordset ---------------------------------------------------------------------

MemoryRecordset::MemoryRecordset(std::vector<std::string> columns, std::vector<std::vector<Variant>> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)) {
    // A short row would make Field read past its end; refuse it here, where the
    // mistake is made, rather than when a column is read.
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].size() != m_columns.size()) {
            throw HostError(err::InvalidProcedureCall, "Row " + std::to_string(i + 1) + " has " +
                                                           std::to_string(m_rows[i].size()) + " values for " +
                                                           std::to_string(m_columns.size()) + " columns");
        }
    }
}

bool MemoryRecordset::IsEOF() const {
    return m_position >= m_rows.size();
}

Variant MemoryRecordset::Field(const std::string& name) const {
    auto column = std::find_if(m_columns.begin(), m_columns.end(),
                               [&](const std::string& candidate) { return text::EqualsNoCase(candidate, name); });
    if (column == m_columns.end()) {
        throw HostError(err::FieldNotFound, "Item cannot be found in the collection: " + name);
    }
    if (IsEOF()) throw HostError(err::NoCurrentRecord, "No current record");
    return m_rows[m_position][static_cast<size_t>(column - m_columns.begin())];
}

void MemoryRecordset::MoveFirst() {
    m_position = 0;
}

void MemoryRecordset::MoveNext() {
    if (IsEOF()) throw HostError(err::NoCurrentRecord, "No current record");
    ++m_position;
}

int32_t MemoryRecordset::RecordCount() const {
    return static_cast<int32_t>(m_rows.size());
}

// ---- TemplateFiller ----------------------------------------------------------------------

namespace {

std::string Fill(const std::string& templateText, const VariantArray& values) {
    std::string result;
    result.reserve(templateText.size());
    size_t pos = 0;
    while (pos < templateText.size()) {
        const char c = templateText[pos];
        const bool placeholder =
            c == '%' && pos + 1 < templateText.size() && templateText[pos + 1] >= '1' && templateText[pos + 1] <= '9';
        if (!placeholder) {
            result += c;
            ++pos;
            continue;
        }
        size_t number = static_cast<size_t>(templateText[pos + 1] - '0');
        size_t length = 2;
        if (pos + 2 < templateText.size() && templateText[pos + 2] >= '0' && templateText[pos + 2] <= '9') {
            number = number * 10 + static_cast<size_t>(templateText[pos + 2] - '0');
            length = 3;
        }
        if (number <= values.size()) {
            result += values[number - 1].ToText();
        } else {
            result.append(templateText, pos, length);
        }
        pos += length;
    }
    return result;
}

}  // namespace

std::string TemplateFiller::FillTemplate(const std::string& templateText, const VariantArray& values) const {
    return Fill(templateText, values);
}

std::string TemplateFiller::FillMessage(const std::string& templateText, const VariantArray& values) const {
    return Fill(templateText, values);
}

}  // namespace tolm
