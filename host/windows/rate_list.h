// The rows of the exchange-rate list: the rates of every type, or of one, with what
// a person reads in each column. The front ends show these rows; none reads the
// rates itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "services/session.h"
#include "tolm/variant.h"
#include "windows/window_change.h"

namespace hub {

struct RateListRow {
    int32_t id = 0;
    int32_t typeId = 0;
    // The stored values, in the order of RateList::StoredColumns().
    std::vector<tolm::Variant> stored;
    // What a person reads: the code and name, the currency's and the type's code
    // and name, rate and reverse rate with the type's precision ("" while there is
    // none), the validity as yyyy-MM-dd, and who audited it ("" while not audited).
    std::string number, name, currency, currencyName, type, typeName, rate, reverseRate, begin, end, auditor;
};

class RateList {
public:
    explicit RateList(std::shared_ptr<Session> session);

    // The stored columns of a rate, as the rows carry them: FID, FNumber, FName,
    // FCyTo, FExchangeRateType, FExchangeRate, FReverseExRate, FBegDate, FEndDate,
    // FChkUserID.
    static const std::vector<std::string>& StoredColumns();

    // Shows the rates of the type (of every type when none is given), ordered by
    // type code, currency code, first day and id. Raises ObjectNotFound, in the
    // session language, for a type that does not exist.
    void ShowType(std::optional<int32_t> typeId = std::nullopt);
    // Shows the one rate with that id. Raises ObjectNotFound, in the session
    // language, when there is none.
    void ShowRate(int32_t rateId);
    // Shows the rates with those ids, read together, in the order given.
    // Raises ObjectNotFound, in the session language, for the first id without a rate.
    void ShowRates(const std::vector<int32_t>& rateIds);

    const std::vector<RateListRow>& Rows() const { return m_rows; }
    // Told (Rows) whenever the rows shown are read anew.
    WindowObservers& Changes() { return m_changes; }

private:
    void Fill(const std::shared_ptr<tolm::MemoryRecordset>& records);
    std::vector<RateListRow> Read(const std::shared_ptr<tolm::MemoryRecordset>& records) const;
    void Show(std::vector<RateListRow> rows);
    [[noreturn]] void NoRate(int32_t rateId) const;

    std::shared_ptr<Session> m_session;
    std::vector<RateListRow> m_rows;
    WindowObservers m_changes;
};

}  // namespace hub
