#include "services/gl_data.h"

#include "model/currency_store.h"
#include "services/currency_set.h"

namespace hub {

GlData::GlData(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

std::shared_ptr<tolm::ICurrencySet> GlData::CurrencySet() {
    return std::make_shared<hub::CurrencySet>(CurrencyRows(Db()));
}

}  // namespace hub
