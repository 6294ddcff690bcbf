// HubBaseData.CExRateUpdate: audit of rates and the exchange-rate types.
//
// The rules are kept here, inside one transaction per call, whoever the caller is:
// the plug-in's dialogs check the same things first only to answer the user
// sooner.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/type_store.h"
#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class ExRateUpdate : public tolm::IExRateUpdate, private ServiceComponent {
public:
    // Limits of a type's fields, in characters.
    static constexpr int NumberLength = 20;
    static constexpr int NameLength = 40;
    static constexpr int RemarkLength = 300;
    static constexpr int MaxDigits = 10;

    explicit ExRateUpdate(std::shared_ptr<Session> session);

    // Audits (bCheck true: auditor = the session's user, audit date = today) or
    // reverse-audits (auditor 0, no date) the rates with the given ids (decimal
    // texts; repeated ids count once). All of them or none: the call is refused,
    // the user is told why through the message service (once the transaction has
    // ended, so nothing stays locked while the message shows) and the answer is false
    // when the user lacks the audit (0x10) or reverse-audit (0x20) right of base
    // data, when an id names no rate, when a rate is already audited (audit) or
    // not audited (reverse audit), or when "BaseData"/"CheckUser" is above 0 and a
    // rate was audited by another user (reverse audit). An empty collection answers
    // false. An id that is not a decimal number raises InvalidProcedureCall.
    tolm::Variant ExchangeRateCheck(const std::string& props, std::shared_ptr<tolm::Collection>& ids,
                                    bool& bCheck) override;

    // The record holds FNumber, FName, FDigits, FRemark (and FID, ignored here).
    // Code and name are trimmed and must be non-empty, unique among the types
    // (letter case ignored) and within their lengths; the code holds letters,
    // digits and "-" only; the name no quote; the precision is a whole number
    // 0..10. Requires the new right (0x2) of base data. Stores the type with the
    // next free id (at least 1000), writes it to the record's FID and answers it.
    // Refusals raise HostError(Refused) with a message in the session's language.
    tolm::Variant CreateExchangeRateType(const std::string& props,
                                         std::shared_ptr<tolm::NameValueRecord>& record) override;
    // Changes the type whose id is the record's FID; the rules of Create apply,
    // and also: a preset keeps its code and name, and a type with rate records
    // keeps at least its precision. Requires the modify right (0x4). True when
    // stored.
    tolm::Variant UpdateExchangeRateType(const std::string& props,
                                         std::shared_ptr<tolm::NameValueRecord>& record) override;
    // Deletes a type that is no preset and has no rate records, with the
    // native-rate rows under it. Requires the delete right (0x8). True when
    // deleted.
    tolm::Variant DeleteExchangeRateType(const std::string& props, int32_t& lTypeID) override;

private:
    using TypeFields = TypeValues;

    TypeFields ReadTypeFields(const tolm::NameValueRecord& record) const;
    void RequireUnique(const TypeFields& fields, int32_t ownId) const;
    void RequireRight(int32_t rightBit) const;
};

}  // namespace hub
