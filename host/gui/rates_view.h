// The exchange rates, read-only, over the rate list's rows: a stand-in until the
// exchange-rate list window is drawn. Double-clicking a rate opens it in the editor.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QMainWindow>

#include "windows/rate_list.h"

class QTableWidget;

namespace hub::gui {

class RatesView : public QMainWindow {
public:
    // `openRate` opens the editor on a rate (id, type id). Raises AccessDenied, in the
    // session language, when the user may not see rates.
    RatesView(std::shared_ptr<Session> session, std::function<void(int32_t, int32_t)> openRate,
              QWidget* parent = nullptr);

    // Reads the rates again (F5).
    void Refresh();
    QTableWidget& Table() const { return *m_table; }

private:
    void ShowRows();

    std::string m_language;
    RateList m_list;
    QTableWidget* m_table;
    tolm::Subscription m_changes;
};

}  // namespace hub::gui
