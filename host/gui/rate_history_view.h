// How the rates of one type moved: the currencies picked on the left, a chart of
// their rates over the range on the right. Each period is a step from its first to
// its last day; days without a rate stay empty; an unaudited period is drawn
// dashed. Hovering a step shows its rate and period; the chart is saved as PNG.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "windows/rate_history.h"

class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;

namespace hub::gui {

class RateHistoryView : public QMainWindow {
public:
    // Raises HostError(AccessDenied) for a user who may not view rates.
    static RateHistoryView* Open(const std::shared_ptr<Session>& session, QWidget* parent = nullptr);

    // What the chart shows: the type, the currencies (their ids) and the days.
    void Show(int32_t typeId, const std::vector<int32_t>& currencyIds, QDate from, QDate to);
    // Saves the chart as a PNG file; false when it could not be written.
    bool SaveImage(const QString& file) const;
    QChartView& Chart() const { return *m_chartView; }

private:
    RateHistoryView(std::shared_ptr<Session> session, QWidget* parent);
    void Draw();
    void AskAndSave();

    std::shared_ptr<Session> m_session;
    std::string m_language;
    RateHistory m_history;
    QComboBox* m_type;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QListWidget* m_currencies;
    QChartView* m_chartView;
    QLabel* m_point;
};

}  // namespace hub::gui
