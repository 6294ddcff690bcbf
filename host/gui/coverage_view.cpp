#include "gui/coverage_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/bill_view.h"
#include "gui/client.h"
#include "gui/main_window.h"
#include "i18n/catalogue.h"

namespace hub::gui {
namespace {

// What a row of a currency holds: a valid period or a gap.
enum RowRole { CurrencyRole = Qt::UserRole, GapFirstRole, GapLastRole };

QDate ToQDate(tolm::DateTime day) {
    return QDate::fromString(QString::fromStdString(tolm::FormatDateText(day)), QStringLiteral("yyyy-MM-dd"));
}

tolm::DateTime FromQDate(QDate day) {
    return tolm::MakeDate(day.year(), static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
}

std::string Days(const std::string& language, tolm::DateTime first, tolm::DateTime last) {
    if (first == last) return tolm::FormatDateText(first);
    return TranslateFormat(language, "%1至%2", {tolm::FormatDateText(first), tolm::FormatDateText(last)});
}

const QColor GapColour(0xf8, 0xd7, 0xda);

}  // namespace

CoverageView* CoverageView::Open(const std::shared_ptr<Session>& session, QWidget* parent) {
    return new CoverageView(session, parent);
}

CoverageView::CoverageView(std::shared_ptr<Session> session, QWidget* parent)
    : QMainWindow(parent), m_session(std::move(session)), m_language(m_session->Language()), m_history(m_session) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("CoverageView"));
    setWindowTitle(Text(m_language, "汇率覆盖"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* criteria = new QHBoxLayout;
    m_type = new QComboBox(central);
    m_type->setObjectName(QStringLiteral("type"));
    for (const TypeRow& type : m_history.Types()) {
        m_type->addItem(QString::fromStdString(type.number + " " + type.name), type.id);
    }
    const QDate today = QDate::currentDate();
    const auto dateEdit = [&](const char* name, QDate day) {
        auto* edit = new QDateEdit(day, central);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        return edit;
    };
    // This month.
    m_from = dateEdit("from", QDate(today.year(), today.month(), 1));
    m_to = dateEdit("to", QDate(today.year(), today.month(), 1).addMonths(1).addDays(-1));
    auto* show = new QPushButton(Text(m_language, "显示(&S)"), central);
    criteria->addWidget(new QLabel(Text(m_language, "汇率类型："), central));
    criteria->addWidget(m_type);
    criteria->addWidget(new QLabel(Text(m_language, "开始日期："), central));
    criteria->addWidget(m_from);
    criteria->addWidget(new QLabel(Text(m_language, "截止日期："), central));
    criteria->addWidget(m_to);
    criteria->addWidget(show);
    criteria->addStretch();
    layout->addLayout(criteria);

    m_rows = new QTreeWidget(central);
    m_rows->setObjectName(QStringLiteral("coverage"));
    m_rows->setColumnCount(4);
    m_rows->setHeaderLabels(
        {Text(m_language, "币别"), Text(m_language, "日期"), Text(m_language, "情况"), Text(m_language, "汇率")});
    m_rows->setRootIsDecorated(true);
    m_rows->setUniformRowHeights(true);
    layout->addWidget(m_rows, 1);
    auto* hint = new QLabel(Text(m_language, "双击没有有效汇率的日期（或按回车）新增该币别的汇率。"), central);
    layout->addWidget(hint);
    layout->addWidget(BuildRateOnDayBox());
    setCentralWidget(central);

    connect(show, &QPushButton::clicked, this, &CoverageView::Refresh);
    connect(m_type, &QComboBox::currentIndexChanged, this, &CoverageView::Refresh);
    connect(m_rows, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item) NewRateForGap(*item);
    });
    Refresh();
}

QWidget* CoverageView::BuildRateOnDayBox() {
    auto* box = new QGroupBox(Text(m_language, "某日的汇率"), this);
    auto* layout = new QVBoxLayout(box);
    auto* line = new QHBoxLayout;
    m_dayCurrency = new QComboBox(box);
    m_dayCurrency->setObjectName(QStringLiteral("dayCurrency"));
    for (const CurrencyChoice& currency : m_history.Currencies()) {
        m_dayCurrency->addItem(QString::fromStdString(currency.number + " " + currency.name),
                               QString::fromStdString(currency.number));
    }
    m_day = new QDateEdit(QDate::currentDate(), box);
    m_day->setObjectName(QStringLiteral("day"));
    m_day->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_day->setCalendarPopup(true);
    m_auditedOnly = new QCheckBox(Text(m_language, "只要已审核的汇率"), box);
    auto* ask = new QPushButton(Text(m_language, "查询(&Q)"), box);
    line->addWidget(new QLabel(Text(m_language, "币别："), box));
    line->addWidget(m_dayCurrency);
    line->addWidget(new QLabel(Text(m_language, "日期："), box));
    line->addWidget(m_day);
    line->addWidget(m_auditedOnly);
    line->addWidget(ask);
    line->addStretch();
    layout->addLayout(line);
    m_answer = new QLabel(box);
    m_answer->setObjectName(QStringLiteral("answer"));
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_answer);
    connect(ask, &QPushButton::clicked, this, &CoverageView::Ask);
    return box;
}

void CoverageView::Show(int32_t typeId, QDate from, QDate to) {
    {
        const QSignalBlocker quiet(m_type);
        m_type->setCurrentIndex(std::max(0, m_type->findData(typeId)));
    }
    m_from->setDate(from);
    m_to->setDate(to);
    Refresh();
}

void CoverageView::Refresh() {
    m_rows->clear();
    if (m_type->currentIndex() < 0) return;
    std::vector<HistorySeries> rows;
    Act(m_language, [&] {
        rows = m_history.Coverage(m_type->currentData().toInt(), FromQDate(m_from->date()), FromQDate(m_to->date()));
    });
    for (const HistorySeries& currency : rows) {
        auto* top = new QTreeWidgetItem(m_rows);
        const QString code = QString::fromStdString(currency.currency);
        top->setText(0, code);
        top->setText(2, QString::fromStdString(
                            currency.gaps.empty()
                                ? Translate(m_language, "每天都有有效汇率")
                                : TranslateFormat(m_language, "%1段日期没有有效汇率",
                                                  {static_cast<int32_t>(currency.gaps.size())})));
        if (!currency.gaps.empty()) {
            for (int column = 0; column < 4; ++column) top->setBackground(column, GapColour);
        }
        // Periods and gaps in day order.
        struct Line {
            tolm::DateTime first;
            QTreeWidgetItem* item;
        };
        std::vector<Line> lines;
        for (const HistoryStep& step : currency.steps) {
            auto* item = new QTreeWidgetItem;
            item->setText(1, QString::fromStdString(Days(m_language, step.first, step.last)));
            item->setText(2, Text(m_language, step.audited ? "有效，已审核" : "有效，未审核"));
            item->setText(3, QString::number(step.rate, 'g', 12));
            item->setToolTip(1, QString::fromStdString(step.number));
            lines.push_back({step.first, item});
        }
        for (const tolm::DayRange& gap : currency.gaps) {
            auto* item = new QTreeWidgetItem;
            item->setText(1, QString::fromStdString(Days(m_language, gap.first, gap.last)));
            item->setText(2, Text(m_language, "没有有效汇率"));
            item->setData(0, CurrencyRole, code);
            item->setData(0, GapFirstRole, ToQDate(gap.first));
            item->setData(0, GapLastRole, ToQDate(gap.last));
            for (int column = 0; column < 4; ++column) item->setBackground(column, GapColour);
            item->setToolTip(2, Text(m_language, "双击新增汇率"));
            lines.push_back({gap.first, item});
        }
        std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.first < b.first; });
        for (const Line& line : lines) top->addChild(line.item);
    }
    m_rows->expandAll();
    for (int column = 0; column < 4; ++column) m_rows->resizeColumnToContents(column);
}

BillView* CoverageView::NewRateForGap(const QTreeWidgetItem& row) {
    const QString code = row.data(0, CurrencyRole).toString();
    if (code.isEmpty()) return nullptr;
    const QString first = row.data(0, GapFirstRole).toDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QString last = row.data(0, GapLastRole).toDate().toString(QStringLiteral("yyyy-MM-dd"));
    BillView* view = nullptr;
    Act(m_language, [&] {
        auto window = BillWindow::ForNewRate(m_session, RateListFilter(m_type->currentData().toInt()));
        view = BillView::Open(window, m_language);
        // Typed as the person would, so the editor's class sees the same changes.
        window->Enter("FBase", code.toStdString());
        window->Enter("FBegDate", first.toStdString());
        window->Enter("FEndDate", last.toStdString());
    });
    if (!view) return nullptr;
    connect(view, &QObject::destroyed, this, &CoverageView::Refresh);
    ShowBeside(view);
    view->Field("FExchangeRate")->setFocus();
    return view;
}

void CoverageView::AskRateOnDay(const QString& currency, QDate day, bool audited) {
    m_dayCurrency->setCurrentIndex(std::max(0, m_dayCurrency->findData(currency)));
    m_day->setDate(day);
    m_auditedOnly->setChecked(audited);
    Ask();
}

void CoverageView::Ask() {
    m_answer->clear();
    const std::string code = m_dayCurrency->currentData().toString().toStdString();
    int32_t currencyId = 0;
    for (const CurrencyChoice& currency : m_history.Currencies()) {
        if (currency.number == code) currencyId = currency.id;
    }
    Act(m_language, [&] {
        const tolm::ExRateOnDay answer = m_history.RateOnDay(m_type->currentData().toInt(), currencyId,
                                                             FromQDate(m_day->date()), m_auditedOnly->isChecked());
        if (answer.outcome == tolm::ExRateOnDay::Outcome::Valid && answer.rate) {
            const tolm::ExRatePeriod& rate = *answer.rate;
            m_answer->setText(QString::fromStdString(TranslateFormat(
                m_language, "%1：汇率%2，代码%3，有效期%4，%5。",
                {code, QString::number(rate.rate, 'g', 12).toStdString(), rate.number,
                 Days(m_language, rate.begin, rate.end), Translate(m_language, rate.auditorId != 0 ? "已审核" : "未审核")})));
        } else {
            // No rate is no rate: the service's words, with the nearest periods.
            m_answer->setText(QString::fromStdString(answer.message));
        }
    });
}

}  // namespace hub::gui
