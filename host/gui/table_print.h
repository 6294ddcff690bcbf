// The rows a list shows, on paper through Qt's print support: print, preview and
// page set-up share one printer, so the page a person set up is the page printed.
#pragma once

#include <memory>

#include <QString>

#include "windows/table_export.h"

class QPrinter;
class QTextDocument;
class QWidget;

namespace hub::gui {

// The table as a document: the title above, the headings (the first row) bold and
// repeated at the top of every page.
std::unique_ptr<QTextDocument> TableDocument(const QString& title, const ShownTable& table);

class TablePrinter {
public:
    TablePrinter();
    ~TablePrinter();
    TablePrinter(const TablePrinter&) = delete;
    TablePrinter& operator=(const TablePrinter&) = delete;

    // Each shows Qt's dialog over `parent`; cancelling it prints nothing.
    void Print(QWidget* parent, const QString& title, const ShownTable& table);
    void Preview(QWidget* parent, const QString& title, const ShownTable& table);
    void PageSetup(QWidget* parent);

private:
    std::unique_ptr<QPrinter> m_printer;
};

}  // namespace hub::gui
