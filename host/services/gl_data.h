// HubLedgerView.GlData: the general ledger's data the base-data windows read.
#pragma once

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

class GlData : public tolm::IGlData, private ServiceComponent {
public:
    explicit GlData(std::shared_ptr<Session> session);

    // The currencies that are not deleted, ordered by id.
    std::shared_ptr<tolm::ICurrencySet> CurrencySet() override;
};

}  // namespace hub
