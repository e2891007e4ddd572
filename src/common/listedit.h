#pragma once
// The list-and-edit window (the telephone directory, the users, the
// company): a heading band over a tab control whose first tab edits one
// record in a frame of fields and whose second lists the records in Msh,
// with buttons across the foot. The base builds the frame and the list's
// columns and runs the flows the family shares: a row picked from the list,
// the record shown deleted or printed.
#include "common/formkit.h"
#include "common/window.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace ui {
class Grid;
}

namespace common {

class ListEditWindow : public Window {
    Q_OBJECT
public:
    // A list column's heading (null keeps the heading the rows came with)
    // and width in twips.
    struct Column {
        const char *header;
        int width;
    };
    struct Settings {
        QString name = {};
        QString title = {};
        QString heading = {};
        QString tabsName = {};
        QString entryPage = {};
        QString frameName = {};
        QString frameTitle = {};
        QString tag = {}; // of the frame's bound boxes
        int rowSpacing = 7;
        bool twoFieldColumns = true; // columns 1 and 3 of the frame widen, else column 1
    };

    // Empties the entry tab.
    virtual void ClearAll() = 0;

protected:
    explicit ListEditWindow(const Settings &settings);

    // Building: the frame's fields, then the tabs and buttons.
    QGroupBox *frame() const { return m_frame; }
    QGridLayout *fieldGrid() const { return m_grid; }
    const formkit::Page &entryPage() const { return m_entry; }
    QTabWidget *tabs() const { return m_tabs; }
    QLineEdit *boundBox(const char *name, const char *field);
    QLabel *fieldLabel(const char *name, const QString &text, QWidget *buddy);
    // A field in the frame's grid: its caption at (row, column), the box
    // right of it over `span` columns.
    struct Cell {
        const char *label;
        const char *caption;
        QWidget *box;
        int row, column, span;
    };
    void layOutCells(std::initializer_list<Cell> cells);
    // The entry tab `names.entryCaption` with the frame, the search tab and
    // the footer buttons (see formkit::recordTabs), kept in the members below.
    void addRecordTabs(const formkit::RecordTabs &names);
    // The entry tab `caption` with the frame and the spare height below it.
    void addEntryTab(const QString &caption);
    // The box that holds the key of the record shown; empty for a new one.
    void setKeyBox(QLineEdit *box) { m_key = box; }

    // The list: rows read, each one line of cells under `fields`, with the
    // headings and widths of `columns` (none when there is no row).
    void showList(const QStringList &fields, const QList<QStringList> &lines, const QList<Column> &columns);
    void setColumns(const QList<Column> &columns);
    // The data row of the list the user picked, -1 for the heading or none.
    int pickedRow() const;
    // Whether the picked row holds a record (a key in its first cell).
    bool pickedRecord() const;
    // Reads the picked row's record into the entry tab; false when it holds none.
    bool openPicked();
    // Brings the entry tab forward with the focus in `field`.
    void showEntry(QWidget *field);

    // Deletes the record shown, once `mayDelete` allows it, then clears the
    // entry and lists the records again.
    void deleteShown();
    // Prints `reportFile` with the user's login, only the record shown when
    // there is one (`keyField` = key).
    void printShown(const QString &reportFile, const QString &keyField) const;

    // The record of the key box into the entry tab.
    virtual void FillData() { }
    // The list again after a save or delete.
    virtual void refillList() = 0;
    // Asks (and may refuse) before the record `key` is deleted.
    virtual bool mayDelete(const QString &key) = 0;
    virtual void deleteRecord(const QString &key) = 0;

    // The list, its search boxes and the footer buttons (those a window has).
    ui::Grid *Msh = nullptr;
    QComboBox *cmb_s_cri = nullptr;
    QLineEdit *txt_s_value = nullptr;
    QPushButton *cmdSave = nullptr, *cmdDelete = nullptr, *cmdCancel = nullptr, *cmdPrint = nullptr,
                *cmdExit = nullptr;

private:
    QString m_tag;
    QTabWidget *m_tabs;
    formkit::Page m_entry;
    QGroupBox *m_frame;
    QGridLayout *m_grid;
    QLineEdit *m_key = nullptr;
};

} // namespace common
