#include "windows/window_data_access.h"

#include "i18n/catalogue.h"
#include "tolm/components.h"
#include "tolm/registry.h"

namespace hub {

std::shared_ptr<DataAccess> WindowDataAccess(const std::shared_ptr<Session>& session) {
    DataAccessHooks hooks;
    hooks.lookupText = [session](const std::string& text, std::string&) {
        return Translate(session->Language(), text);
    };
    // A window event that writes watches for failures its handlers trap.
    hooks.writeFailed = [session](const tolm::HostError& error) { session->NoteWriteFailure(error); };
    // The data-access object asks (object, right, sub-object); the rights are
    // stored per (subsystem, object), so the first number names the subsystem.
    hooks.checkRight = [session](int32_t objectNumber, int32_t accessType, int32_t subObject, bool showMessage,
                                 const std::string& rightName) {
        auto security = tolm::CreateObject<tolm::ISecurityInfo>(tolm::classname::SecurityInfo);
        return security->AccessCheck(session->PropsString(), objectNumber, subObject, accessType, showMessage,
                                     rightName);
    };
    return std::make_shared<DataAccess>(session->Db(), std::move(hooks));
}

}  // namespace hub
