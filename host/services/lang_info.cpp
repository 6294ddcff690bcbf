#include "services/lang_info.h"

namespace hub {

LangInfo::LangInfo(std::shared_ptr<Session> session) : ServiceComponent(std::move(session)) {}

tolm::Variant LangInfo::CurrentLanguage() {
    return tolm::Variant(Language());
}

}  // namespace hub
