// Which days of a range have a valid rate of a type: one row per currency with its
// valid periods and, marked, the days without a rate. Choosing such a gap opens the
// editor on a new rate of that currency for the gap's days. The rate on a day is
// asked below, and answered as the lookup service answers it: a rate, or none with
// the nearest periods named.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "windows/rate_history.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace hub::gui {

class BillView;

class CoverageView : public QMainWindow {
public:
    // Raises HostError(AccessDenied) for a user who may not view rates.
    static CoverageView* Open(const std::shared_ptr<Session>& session, QWidget* parent = nullptr);

    // Shows the coverage of a type over the days.
    void Show(int32_t typeId, QDate from, QDate to);
    QTreeWidget& Rows() const { return *m_rows; }
    // Opens the editor on a new rate for the gap a row shows; nullptr for a row that
    // is no gap or when the editor could not open (the person was told).
    BillView* NewRateForGap(const QTreeWidgetItem& row);
    // Asks for the rate of a currency (its code) on a day; the answer is shown.
    void AskRateOnDay(const QString& currency, QDate day, bool audited);
    const QLabel& Answer() const { return *m_answer; }

private:
    CoverageView(std::shared_ptr<Session> session, QWidget* parent);
    QWidget* BuildRateOnDayBox();
    void Refresh();
    void Ask();

    std::shared_ptr<Session> m_session;
    std::string m_language;
    RateHistory m_history;
    QComboBox* m_type;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QTreeWidget* m_rows;
    QComboBox* m_dayCurrency = nullptr;
    QDateEdit* m_day = nullptr;
    QCheckBox* m_auditedOnly = nullptr;
    QLabel* m_answer = nullptr;
};

}  // namespace hub::gui
