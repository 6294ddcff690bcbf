#include "gui/table_print.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace hub::gui {

std::unique_ptr<QTextDocument> TableDocument(const QString& title, const ShownTable& table) {
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    QTextCharFormat titleFormat;
    titleFormat.setFontPointSize(14);
    titleFormat.setFontWeight(QFont::Bold);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred, titleFormat);
    cursor.insertText(title);
    if (table.empty() || table.front().empty()) return document;

    QTextTableFormat format;
    format.setHeaderRowCount(1);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    const int columns = static_cast<int>(table.front().size());
    QTextTable* grid = cursor.insertTable(static_cast<int>(table.size()), columns, format);
    QTextCharFormat heading;
    heading.setFontWeight(QFont::Bold);
    for (size_t row = 0; row < table.size(); ++row) {
        for (int column = 0; column < columns && column < static_cast<int>(table[row].size()); ++column) {
            QTextCursor cell = grid->cellAt(static_cast<int>(row), column).firstCursorPosition();
            cell.insertText(QString::fromStdString(table[row][static_cast<size_t>(column)]),
                            row == 0 ? heading : QTextCharFormat());
        }
    }
    return document;
}

TablePrinter::TablePrinter() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    // A log line is wide: the pages lie on their side, as the PDF's do.
    m_printer->setPageOrientation(QPageLayout::Landscape);
}

TablePrinter::~TablePrinter() = default;

void TablePrinter::Print(QWidget* parent, const QString& title, const ShownTable& table) {
    QPrintDialog dialog(m_printer.get(), parent);
    if (dialog.exec() != QDialog::Accepted) return;
    TableDocument(title, table)->print(m_printer.get());
}

void TablePrinter::Preview(QWidget* parent, const QString& title, const ShownTable& table) {
    const std::unique_ptr<QTextDocument> document = TableDocument(title, table);
    QPrintPreviewDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&document](QPrinter* printer) { document->print(printer); });
    dialog.exec();
}

void TablePrinter::PageSetup(QWidget* parent) {
    QPageSetupDialog dialog(m_printer.get(), parent);
    dialog.exec();
}

}  // namespace hub::gui
