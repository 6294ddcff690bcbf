// The one place that decides each change of the company's rates that the host makes
// itself or on the plug-in's behalf: audit and reverse audit, deletion, disabling and
// putting back in use. Each call checks the session user's right, applies the rules
// and writes, within the unit of work running (unit_of_work.h), so that what the
// plug-in does around it is stored with it or not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/rate_store.h"
#include "services/service_component.h"

namespace hub {

class RateBook : private ServiceComponent {
public:
    explicit RateBook(std::shared_ptr<Session> session);

    // A rate as the person picked it: its id and the code the list shows.
    struct Picked {
        int32_t id = 0;
        std::string number;
    };

    // Audits (`audit`: auditor = the session's user, audit date = today) or
    // reverse-audits (auditor 0, no date) the rates, all of them or none. The reason,
    // in the session language, when it is refused: the audit (0x10) or reverse-audit
    // (0x20) right is missing, a rate does not exist, is already audited (audit) or
    // not audited (reverse audit), or "BaseData"/"CheckUser" is on and another user
    // audited it (reverse audit). Nothing is changed then.
    std::optional<std::string> Audit(const std::vector<int32_t>& ids, bool audit) const;

    // Deletes the rates, which must not be audited, calling `followUp` after each
    // (the plug-in's handling of a deleted rate; false: it did not finish). Raises
    // HostError(AccessDenied) without the delete right (0x8) and HostError(Refused)
    // for a rate audited or gone, or a follow-up that did not finish.
    void DeleteRates(const std::vector<Picked>& rates, const std::function<bool(const Picked&)>& followUp) const;

    // Disables the rates (they must not be audited) or puts them back in use. Raises
    // HostError(AccessDenied) without the use/unuse right (0x40) and HostError(Refused)
    // for a rate audited (disabling) or gone.
    void SetRatesDisabled(const std::vector<Picked>& rates, bool disabled) const;

    // Raises HostError(AccessDenied) when the user may not save a new rate (`newRate`)
    // or change one: checked again by SaveRate, asked first only to answer sooner.
    void RequireSaveRight(bool newRate) const;

    // Stores a new rate (`openedId` 0) or the rate `openedId` as it was read at
    // `loadedVersion`, and answers its id. Raises, in the session language:
    // AccessDenied without the new (0x2) or modify (0x4) right; Refused when its type
    // or currency does not exist, another rate of the type and currency is valid on
    // one of its days, the rate was audited or changed by someone else since it was
    // read; ObjectNotFound when it is gone; Overflow when no id is left.
    int32_t SaveRate(const RateValues& row, int32_t openedId, int64_t loadedVersion) const;

private:
    void RequireRight(int32_t rightBit, const char* chineseReason) const;
};

}  // namespace hub
