// HubClassLookup.BaseClassLookUp: the host's class window, which shows the records
// of one class. It opens windows, so it lives with them and the runtime registers
// it beside the service components.
#pragma once

#include <cstdint>
#include <memory>

#include "services/session.h"
#include "tolm/components.h"

namespace hub {

class ClassLookup : public tolm::IClassLookup {
public:
    // The show type that lists the class's records.
    static constexpr int16_t ShowTypeList = 0;

    explicit ClassLookup(std::shared_ptr<Session> session);

    void SetClassTypeID(int32_t value) override { m_classTypeId = value; }
    void SetShowType(int16_t value) override { m_showType = value; }
    // Opens the window of the class modally and returns when it is closed. The
    // exchange-rate class (1014002) with show type 0 is the exchange-rate list; that
    // window is not part of this host yet, so the call is refused (NotSupported) with
    // a message in the session language, as is any other class or show type
    // (Refused).
    void Show() override;

private:
    std::shared_ptr<Session> m_session;
    int32_t m_classTypeId = 0;
    int16_t m_showType = ShowTypeList;
};

// Registers (and removes) the window components under their class names for the
// session.
void RegisterWindowComponents(std::shared_ptr<Session> session);
void UnregisterWindowComponents();

}  // namespace hub
