// The ledger's currencies, as GlData hands them out.
#pragma once

#include <memory>

#include "tolm/components.h"
#include "tolm/host_library.h"

namespace hub {

class CurrencySet : public tolm::ICurrencySet {
public:
    explicit CurrencySet(std::shared_ptr<tolm::MemoryRecordset> rows) : m_rows(std::move(rows)) {}

    // FCurrencyID, FNumber and FName of each currency in use, by id; positioned on
    // the first row. The set is read when the currency set is made and not again.
    std::shared_ptr<tolm::IRecordset> Recordset() const override { return m_rows; }

private:
    std::shared_ptr<tolm::MemoryRecordset> m_rows;
};

}  // namespace hub
