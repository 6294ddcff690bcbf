#include "gui/type_list_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include "gui/client.h"
#include "gui/menu_bar_view.h"

namespace hub::gui {

TypeListView* TypeListView::Open(const std::shared_ptr<Session>& session, QWidget* parent) {
    auto window = TypeListWindow::Create(session);
    window->Open();
    return new TypeListView(std::move(window), session->Language(), parent);
}

TypeListView::TypeListView(std::shared_ptr<TypeListWindow> window, std::string language, QWidget* parent)
    : QMainWindow(parent), m_window(std::move(window)), m_language(std::move(language)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TypeListView"));
    setWindowTitle(Text(m_language, "汇率类型"));

    auto* splitter = new QSplitter(this);
    m_tree = new QTreeWidget(splitter);
    m_tree->setHeaderHidden(true);
    m_table = new QTableWidget(splitter);
    m_table->setColumnCount(4);
    m_table->setHorizontalHeaderLabels({Text(m_language, "代码"), Text(m_language, "名称"),
                                        Text(m_language, "汇率精度"), Text(m_language, "备注")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);
    m_tree->installEventFilter(this);
    m_table->installEventFilter(this);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_showing && item && item->data(0, Qt::UserRole).toInt() != 0) {
            SelectType(item->data(0, Qt::UserRole).toInt(), TypeListWindow::Focus::Tree);
        }
    });
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (!m_showing && row >= 0) SelectType(m_table->item(row, 0)->data(Qt::UserRole).toInt(), TypeListWindow::Focus::List);
    });
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            [this] { Act(m_language, [&] { m_window->Click("mnuEditModify"); }); });

    m_menu = new MenuBarView(m_window->Menu(), *this, [this](const std::string& key) {
        ActAndShowOutcome(*this, m_language, [&]() -> const Outcome& {
            m_window->Click(key);
            return m_window->LastOutcome();
        });
    });
    auto* help = new QShortcut(QKeySequence::HelpContents, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this, [this] { Act(m_language, [&] { ShowHelpTopic(m_language, m_window->RequestHelp()); }); });
    // The tool bar's commands also under the mouse's right button.
    for (QAbstractItemView* list : {static_cast<QAbstractItemView*>(m_tree), static_cast<QAbstractItemView*>(m_table)}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& at) { m_menu->ShowContextMenu(list->viewport()->mapToGlobal(at)); });
    }

    m_changes = m_window->Changes().Subscribe([this](const WindowChange& change) {
        if (change.kind == WindowChangeKind::Rows) ShowRows();
        // Exit closes the model; the view follows once the click has returned.
        if (change.kind == WindowChangeKind::Open && !m_window->IsOpen()) QTimer::singleShot(0, this, [this] { close(); });
    });
    ShowRows();
}

TypeListView::~TypeListView() {
    m_changes.Reset();
    m_window->Close();
}

void TypeListView::ShowRows() {
    m_showing = true;
    m_tree->clear();
    auto* root = new QTreeWidgetItem(m_tree, {Text(m_language, "汇率类型")});
    m_table->setRowCount(static_cast<int>(m_window->Rows().size()));
    int row = 0;
    for (const TypeRow& type : m_window->Rows()) {
        auto* node = new QTreeWidgetItem(root, {QString::fromStdString(TypeListWindow::NodeText(type))});
        node->setData(0, Qt::UserRole, type.id);
        const QStringList cells{QString::fromStdString(type.number), QString::fromStdString(type.name),
                                QString::fromStdString(type.digits.IsNull() || type.digits.IsEmpty() ? std::string()
                                                                                                     : type.digits.ToText()),
                                QString::fromStdString(type.remark)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* cell = new QTableWidgetItem(cells[column]);
            cell->setData(Qt::UserRole, type.id);
            m_table->setItem(row, column, cell);
        }
        if (type.id == m_window->SelectedClassId()) {
            m_tree->setCurrentItem(node);
            m_table->setCurrentCell(row, 0);
        }
        ++row;
    }
    m_tree->expandAll();
    m_showing = false;
}

void TypeListView::SelectType(int32_t typeId, TypeListWindow::Focus focus) {
    Act(m_language, [&] {
        m_window->Select(typeId);
        m_window->SetFocus(focus);
    });
    m_showing = true;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (m_table->item(row, 0)->data(Qt::UserRole).toInt() == typeId) m_table->setCurrentCell(row, m_table->currentColumn() < 0 ? 0 : m_table->currentColumn());
    }
    QTreeWidgetItem* root = m_tree->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (root->child(i)->data(0, Qt::UserRole).toInt() == typeId) m_tree->setCurrentItem(root->child(i));
    }
    m_showing = false;
}

bool TypeListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        m_window->SetFocus(watched == m_table ? TypeListWindow::Focus::List : TypeListWindow::Focus::Tree);
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace hub::gui
