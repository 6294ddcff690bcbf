#include "services/gl_data.h"

#include "services/currency_set.h"

namespace hub {

GlData::GlData(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

std::shared_ptr<tolm::ICurrencySet> GlData::CurrencySet() {
    return std::make_shared<hub::CurrencySet>(
        Db().Query("SELECT FCurrencyID, FNumber, FName FROM t_Currency WHERE FDeleted = 0 ORDER BY FCurrencyID"));
}

}  // namespace hub
