#include "gui/log_list_view.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

#include "gui/client.h"
#include "gui/menu_bar_view.h"
#include "i18n/catalogue.h"

namespace hub::gui {
namespace {

struct CriterionLine {
    LogListView::Criterion criterion;
    const char* name;
    const char* caption;
    std::optional<std::string> LogCriteria::*field;
};

constexpr CriterionLine CriterionLines[] = {
    {LogListView::Criterion::User, "user", "用户", &LogCriteria::user},
    {LogListView::Criterion::Function, "function", "功能", &LogCriteria::functionKey},
    {LogListView::Criterion::Machine, "machine", "计算机名", &LogCriteria::machine},
    {LogListView::Criterion::Address, "address", "IP地址", &LogCriteria::address},
    {LogListView::Criterion::Contains, "contains", "描述包含", &LogCriteria::contains},
};

tolm::DateTime DayOf(const QDate& date) {
    using namespace std::chrono;
    return time_point_cast<seconds>(sys_days{year{date.year()} / month{static_cast<unsigned>(date.month())} /
                                             day{static_cast<unsigned>(date.day())}});
}

// A text typed with blanks around it means the text without them; an empty field
// asks for nothing.
std::optional<std::string> Typed(const QLineEdit& field) {
    const QString text = field.text().trimmed();
    if (text.isEmpty()) return std::nullopt;
    return text.toStdString();
}

}  // namespace

LogListView* LogListView::Open(const std::shared_ptr<Session>& session, QWidget* parent) {
    auto window = LogListWindow::Create(session);
    window->Open();
    return new LogListView(std::move(window), session->Language(), parent);
}

LogListView::LogListView(std::shared_ptr<LogListWindow> window, std::string language, QWidget* parent)
    : QMainWindow(parent), m_window(std::move(window)), m_language(std::move(language)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("LogListView"));
    setWindowTitle(Text(m_language, "上机日志"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(BuildFilterPanel());
    m_table = new QTableWidget(central);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    layout->addWidget(m_table, 1);
    setCentralWidget(central);

    m_window->SetPrinter([this](LogListWindow::PrintCommand command, const std::string& title, const ShownTable& table) {
        switch (command) {
            case LogListWindow::PrintCommand::Print: m_printer.Print(this, QString::fromStdString(title), table); break;
            case LogListWindow::PrintCommand::Preview: m_printer.Preview(this, QString::fromStdString(title), table); break;
            case LogListWindow::PrintCommand::PageSetup: m_printer.PageSetup(this); break;
        }
    });
    m_menu = new MenuBarView(m_window->Menu(), *this, [this](const std::string& key) {
        ActAndShowOutcome(*this, m_language, [&]() -> const Outcome& {
            m_window->Click(key);
            return m_window->LastOutcome();
        });
    });
    auto* help = new QShortcut(QKeySequence::HelpContents, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this,
            [this] { Act(m_language, [&] { ShowHelpTopic(m_language, m_window->RequestHelp().topic); }); });
    // The tool bar's commands also under the mouse's right button.
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_menu->ShowContextMenu(m_table->viewport()->mapToGlobal(at)); });
    auto* refresh = new QShortcut(QKeySequence::Refresh, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(refresh, &QShortcut::activated, this, [this] { Act(m_language, [&] { m_window->Refresh(0, true); }); });

    m_changes = m_window->Changes().Subscribe([this](const WindowChange& change) {
        if (change.kind == WindowChangeKind::Rows) ShowRows();
        // Exit closes the model; the view follows once the click has returned.
        if (change.kind == WindowChangeKind::Open && !m_window->IsOpen()) QTimer::singleShot(0, this, [this] { close(); });
    });
    ShowRows();
}

LogListView::~LogListView() {
    m_changes.Reset();
    m_window->SetPrinter(nullptr);
    m_window->Close();
}

QWidget* LogListView::BuildFilterPanel() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    const QDate today = QDate::currentDate();
    auto addDate = [&](int column, const char* caption, const char* name, QCheckBox*& on, QDateEdit*& date) {
        on = new QCheckBox(Text(m_language, caption), panel);
        date = new QDateEdit(today, panel);
        date->setObjectName(QString::fromLatin1(name));
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        date->setEnabled(false);
        connect(on, &QCheckBox::toggled, date, &QWidget::setEnabled);
        grid->addWidget(on, 0, column);
        grid->addWidget(date, 0, column + 1);
    };
    addDate(0, "开始日期", "from", m_fromOn, m_from);
    addDate(2, "截止日期", "to", m_toOn, m_to);
    int position = 4;
    for (const CriterionLine& line : CriterionLines) {
        auto* field = new QLineEdit(panel);
        field->setObjectName(QString::fromLatin1(line.name));
        field->setClearButtonEnabled(true);
        connect(field, &QLineEdit::returnPressed, this, &LogListView::ApplyFilter);
        m_fields[static_cast<int>(line.criterion)] = field;
        grid->addWidget(new QLabel(Text(m_language, line.caption), panel), position / 6, position % 6);
        grid->addWidget(field, position / 6, position % 6 + 1);
        position += 2;
    }
    auto* apply = new QPushButton(Text(m_language, "过滤(&L)"), panel);
    apply->setObjectName(QStringLiteral("applyFilter"));
    connect(apply, &QPushButton::clicked, this, &LogListView::ApplyFilter);
    auto* clear = new QPushButton(Text(m_language, "清除条件"), panel);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_fromOn->setChecked(false);
        m_toOn->setChecked(false);
        for (QLineEdit* field : m_fields) field->clear();
        ApplyFilter();
    });
    grid->addWidget(apply, 2, 4);
    grid->addWidget(clear, 2, 5);

    // The quick filter narrows what the criteria show while the person types.
    m_quick = new QLineEdit(panel);
    m_quick->setObjectName(QStringLiteral("quickFilter"));
    m_quick->setPlaceholderText(Text(m_language, "在描述中查找"));
    m_quick->setClearButtonEnabled(true);
    auto* pause = new QTimer(this);
    pause->setSingleShot(true);
    pause->setInterval(300);
    connect(pause, &QTimer::timeout, this, &LogListView::ApplyQuickFilter);
    connect(m_quick, &QLineEdit::textEdited, pause, qOverload<>(&QTimer::start));
    connect(m_quick, &QLineEdit::returnPressed, this, &LogListView::ApplyQuickFilter);
    grid->addWidget(new QLabel(Text(m_language, "快速过滤："), panel), 3, 0);
    grid->addWidget(m_quick, 3, 1, 1, 5);
    return panel;
}

QLineEdit& LogListView::CriterionField(Criterion criterion) const { return *m_fields[static_cast<int>(criterion)]; }

void LogListView::ApplyFilter() {
    LogCriteria criteria;
    if (m_fromOn->isChecked()) criteria.from = DayOf(m_from->date());
    if (m_toOn->isChecked()) criteria.to = DayOf(m_to->date());
    for (const CriterionLine& line : CriterionLines) criteria.*line.field = Typed(CriterionField(line.criterion));
    Act(m_language, [&] { m_window->SetFilter(criteria); });
}

void LogListView::ApplyQuickFilter() {
    std::optional<LogCriteria> quick;
    if (auto text = Typed(*m_quick)) {
        quick.emplace();
        quick->contains = std::move(text);
    }
    Act(m_language, [&] { m_window->SetQuickFilter(quick); });
}

void LogListView::ShowRows() {
    const ShownTable shown = m_window->Shown();
    QStringList headings;
    for (const std::string& heading : shown.front()) headings << QString::fromStdString(heading);
    m_table->clear();
    m_table->setColumnCount(static_cast<int>(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setRowCount(static_cast<int>(shown.size() - 1));
    for (size_t row = 1; row < shown.size(); ++row) {
        for (size_t column = 0; column < shown[row].size(); ++column) {
            m_table->setItem(static_cast<int>(row - 1), static_cast<int>(column),
                             new QTableWidgetItem(QString::fromStdString(shown[row][column])));
        }
    }
    m_table->resizeColumnsToContents();
    const int32_t count = static_cast<int32_t>(shown.size() - 1);
    statusBar()->showMessage(QString::fromStdString(TranslateFormat(m_language, "记录数：%1", {count})));
}

}  // namespace hub::gui
