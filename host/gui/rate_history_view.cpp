#include "gui/rate_history_view.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

#include "gui/client.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"

namespace hub::gui {
namespace {

QDate ToQDate(tolm::DateTime day) {
    return QDate::fromString(QString::fromStdString(tolm::FormatDateText(day)), QStringLiteral("yyyy-MM-dd"));
}

tolm::DateTime FromQDate(QDate day) {
    return tolm::MakeDate(day.year(), static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
}

// A step ends where its last day ends, so the periods of following months meet.
qint64 StartOf(QDate day) { return day.startOfDay().toMSecsSinceEpoch(); }

const QColor Palette[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                          QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};

}  // namespace

RateHistoryView* RateHistoryView::Open(const std::shared_ptr<Session>& session, QWidget* parent) {
    return new RateHistoryView(session, parent);
}

RateHistoryView::RateHistoryView(std::shared_ptr<Session> session, QWidget* parent)
    : QMainWindow(parent), m_session(std::move(session)), m_language(m_session->Language()), m_history(m_session) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("RateHistoryView"));
    setWindowTitle(Text(m_language, "汇率走势"));

    auto* side = new QWidget(this);
    auto* form = new QFormLayout(side);
    m_type = new QComboBox(side);
    m_type->setObjectName(QStringLiteral("type"));
    for (const TypeRow& type : m_history.Types()) {
        m_type->addItem(QString::fromStdString(type.number + " " + type.name), type.id);
    }
    const QDate today = QDate::currentDate();
    const auto dateEdit = [&](const char* name, QDate day) {
        auto* edit = new QDateEdit(day, side);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        return edit;
    };
    // The last twelve months, this one included.
    m_from = dateEdit("from", QDate(today.year(), today.month(), 1).addMonths(-11));
    m_to = dateEdit("to", QDate(today.year(), today.month(), 1).addMonths(1).addDays(-1));
    m_currencies = new QListWidget(side);
    m_currencies->setObjectName(QStringLiteral("currencies"));
    int row = 0;
    for (const CurrencyChoice& currency : m_history.Currencies()) {
        auto* item = new QListWidgetItem(QString::fromStdString(currency.number + " " + currency.name), m_currencies);
        item->setData(Qt::UserRole, currency.id);
        item->setCheckState(row++ < 2 ? Qt::Checked : Qt::Unchecked);
    }
    auto* draw = new QPushButton(Text(m_language, "显示(&S)"), side);
    draw->setObjectName(QStringLiteral("draw"));
    auto* save = new QPushButton(Text(m_language, "保存为图片(&P)..."), side);
    form->addRow(Text(m_language, "汇率类型："), m_type);
    form->addRow(Text(m_language, "开始日期："), m_from);
    form->addRow(Text(m_language, "截止日期："), m_to);
    form->addRow(Text(m_language, "币别："), m_currencies);
    form->addRow(draw);
    form->addRow(save);
    auto* legend = new QLabel(Text(m_language, "实线：已审核；虚线：未审核；空白：没有有效汇率。"), side);
    legend->setWordWrap(true);
    form->addRow(legend);

    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    // Room for the last day's label, which is centred on the right edge.
    chart->setMargins(QMargins(10, 10, 30, 10));
    m_chartView = new QChartView(chart, this);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_point = new QLabel(this);
    m_point->setObjectName(QStringLiteral("point"));
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_chartView, 1);
    rightLayout->addWidget(m_point);

    side->setMaximumWidth(340);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(side);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    connect(draw, &QPushButton::clicked, this, &RateHistoryView::Draw);
    connect(m_type, &QComboBox::currentIndexChanged, this, &RateHistoryView::Draw);
    connect(save, &QPushButton::clicked, this, &RateHistoryView::AskAndSave);
    Draw();
}

void RateHistoryView::Show(int32_t typeId, const std::vector<int32_t>& currencyIds, QDate from, QDate to) {
    const QSignalBlocker quiet(m_type);
    m_type->setCurrentIndex(std::max(0, m_type->findData(typeId)));
    m_from->setDate(from);
    m_to->setDate(to);
    for (int i = 0; i < m_currencies->count(); ++i) {
        QListWidgetItem* item = m_currencies->item(i);
        const bool picked = std::find(currencyIds.begin(), currencyIds.end(), item->data(Qt::UserRole).toInt()) !=
                            currencyIds.end();
        item->setCheckState(picked ? Qt::Checked : Qt::Unchecked);
    }
    Draw();
}

void RateHistoryView::Draw() {
    QChart* chart = m_chartView->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    m_point->clear();
    if (m_type->currentIndex() < 0) return;
    const int32_t typeId = m_type->currentData().toInt();
    std::vector<int32_t> ids;
    for (int i = 0; i < m_currencies->count(); ++i) {
        if (m_currencies->item(i)->checkState() == Qt::Checked) ids.push_back(m_currencies->item(i)->data(Qt::UserRole).toInt());
    }
    int digits = 6;
    for (const TypeRow& type : m_history.Types()) {
        if (type.id == typeId && !type.digits.IsNull() && !type.digits.IsEmpty()) digits = type.digits.ToLong();
    }
    std::vector<HistorySeries> series;
    Act(m_language, [&] { series = m_history.Series(typeId, ids, FromQDate(m_from->date()), FromQDate(m_to->date())); });

    auto* xAxis = new QDateTimeAxis;
    xAxis->setFormat(QStringLiteral("yyyy-MM"));
    xAxis->setRange(m_from->date().startOfDay(), m_to->date().addDays(1).startOfDay());
    // At most seven ticks, so that each day's label has room beside the next.
    xAxis->setTickCount(std::clamp(static_cast<int>(m_from->date().daysTo(m_to->date()) / 30) + 2, 2, 7));
    auto* yAxis = new QValueAxis;
    yAxis->setLabelFormat(QStringLiteral("%.4g"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();

    size_t colour = 0;
    for (const HistorySeries& currency : series) {
        const QColor color = Palette[colour++ % std::size(Palette)];
        bool named = false;
        for (const HistoryStep& step : currency.steps) {
            auto* line = new QLineSeries;
            line->append(static_cast<qreal>(StartOf(ToQDate(step.first))), step.rate);
            line->append(static_cast<qreal>(StartOf(ToQDate(step.last).addDays(1))), step.rate);
            QPen pen(color, 2.5);
            if (!step.audited) pen.setStyle(Qt::DashLine);
            line->setPen(pen);
            line->setName(QString::fromStdString(currency.currency));
            chart->addSeries(line);
            line->attachAxis(xAxis);
            line->attachAxis(yAxis);
            // One entry of the legend per currency.
            for (QLegendMarker* marker : chart->legend()->markers(line)) marker->setVisible(!named);
            named = true;
            low = std::min(low, step.rate);
            high = std::max(high, step.rate);
            const QString text = QString::fromStdString(TranslateFormat(
                m_language, "%1：%2（%3至%4，%5）",
                {currency.currency, QString::number(step.rate, 'f', digits).toStdString(),
                 tolm::FormatDateText(step.first), tolm::FormatDateText(step.last),
                 Translate(m_language, step.audited ? "已审核" : "未审核")}));
            connect(line, &QLineSeries::hovered, this, [this, text](const QPointF&, bool state) {
                if (state) {
                    m_point->setText(text);
                    QToolTip::showText(QCursor::pos(), text);
                } else {
                    QToolTip::hideText();
                }
            });
        }
    }
    if (low > high) {
        low = 0;
        high = 1;
    }
    const double margin = std::max((high - low) * 0.1, std::abs(high) * 0.01);
    yAxis->setRange(low - margin, high + margin);
    chart->setTitle(m_type->currentText());
}

bool RateHistoryView::SaveImage(const QString& file) const { return m_chartView->grab().save(file, "PNG"); }

void RateHistoryView::AskAndSave() {
    QString file = QFileDialog::getSaveFileName(this, Text(m_language, "保存为图片"), QStringLiteral("rates.png"),
                                                Text(m_language, "PNG图片 (*.png)"));
    if (file.isEmpty()) return;
    if (!file.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) file += QStringLiteral(".png");
    if (!SaveImage(file)) {
        Act(m_language, [&] {
            throw tolm::HostError(tolm::err::PathFileAccess,
                                  TranslateFormat(m_language, "无法写入文件%1，请选择另一个文件夹或文件名。",
                                                  {file.toStdString()}),
                                  "tolm-client");
        });
    }
}

}  // namespace hub::gui
