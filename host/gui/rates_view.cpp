#include "gui/rates_view.h"

#include <QHeaderView>
#include <QShortcut>
#include <QTableWidget>

#include "gui/client.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "tolm/host_error.h"

namespace hub::gui {

RatesView::RatesView(std::shared_ptr<Session> session, std::function<void(int32_t, int32_t)> openRate,
                     QWidget* parent)
    : QMainWindow(parent), m_language(session->Language()), m_list(session) {
    if (!UserHasRight(*session->Db(), session->UserId(), rights::BaseDataSubsystem, rights::BaseDataObject,
                      rights::View)) {
        throw tolm::HostError(tolm::err::AccessDenied,
                              TranslateFormat(m_language, "用户 %1 无权查看汇率。", {session->UserName()}), "tolm-client");
    }
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("RatesView"));
    setWindowTitle(Text(m_language, "汇率"));
    m_table = new QTableWidget(this);
    const QStringList headings{Text(m_language, "内码"),     Text(m_language, "汇率类型"), Text(m_language, "代码"),
                               Text(m_language, "币别"),     Text(m_language, "汇率"),     Text(m_language, "反向汇率"),
                               Text(m_language, "生效日期"), Text(m_language, "失效日期"), Text(m_language, "审核人")};
    m_table->setColumnCount(static_cast<int>(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSortingEnabled(true);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    setCentralWidget(m_table);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this, openRate](int row) {
        const QTableWidgetItem* item = m_table->item(row, 0);
        if (item) openRate(item->data(Qt::UserRole).toInt(), item->data(Qt::UserRole + 1).toInt());
    });
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(refresh, &QShortcut::activated, this, [this] { Refresh(); });
    m_changes = m_list.Changes().Subscribe([this](const WindowChange&) { ShowRows(); });
    Refresh();
}

void RatesView::Refresh() {
    Act(m_language, [&] { m_list.ShowType(); });
}

void RatesView::ShowRows() {
    m_table->setSortingEnabled(false);
    m_table->setRowCount(static_cast<int>(m_list.Rows().size()));
    int row = 0;
    for (const RateListRow& rate : m_list.Rows()) {
        const std::string cells[] = {std::to_string(rate.id), rate.type + " " + rate.typeName, rate.number,
                                     rate.currency + " " + rate.currencyName, rate.rate, rate.reverseRate,
                                     rate.begin, rate.end, rate.auditor};
        int column = 0;
        for (const std::string& text : cells) {
            auto* cell = new QTableWidgetItem(QString::fromStdString(text));
            cell->setData(Qt::UserRole, rate.id);
            cell->setData(Qt::UserRole + 1, rate.typeId);
            m_table->setItem(row, column++, cell);
        }
        ++row;
    }
    m_table->setSortingEnabled(true);
    m_table->resizeColumnsToContents();
}

}  // namespace hub::gui
