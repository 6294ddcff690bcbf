// HubClassLookup.BaseClassLookUp: the host's class window, which shows the records
// of one class. It opens windows, so it lives with them and the runtime registers
// it beside the service components.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "services/session.h"
#include "tolm/components.h"

namespace hub {

class RateListWindow;

// How a front end shows the windows the class window opens: called with the opened
// window, it returns when the person has closed it. Without one, the window opens
// and closes again at once, as for a person who closes it unread.
struct WindowPresenter {
    std::function<void(RateListWindow& window)> showRateList;
};

class ClassLookup : public tolm::IClassLookup {
public:
    // The show type that lists the class's records.
    static constexpr int16_t ShowTypeList = 0;

    ClassLookup(std::shared_ptr<Session> session, WindowPresenter presenter);

    void SetClassTypeID(int32_t value) override { m_classTypeId = value; }
    void SetShowType(int16_t value) override { m_showType = value; }
    // Opens the window of the class modally and returns when it is closed. The
    // exchange-rate class (1014002) with show type 0 is the exchange-rate list; any
    // other class or show type is refused (Refused) with a message in the session
    // language. The list's own failures reach the caller.
    void Show() override;

private:
    std::shared_ptr<Session> m_session;
    WindowPresenter m_presenter;
    int32_t m_classTypeId = 0;
    int16_t m_showType = ShowTypeList;
};

// Registers (and removes) the window components under their class names for the
// session.
void RegisterWindowComponents(std::shared_ptr<Session> session, WindowPresenter presenter = {});
void UnregisterWindowComponents();

}  // namespace hub
