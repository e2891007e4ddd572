#pragma once
// Construction pieces the data windows share: the window's column with its
// heading band and tab control, tab pages, labelled bound fields, the search
// criteria row over the list grid, rows of push buttons and focus chains.
// Each piece gives its controls the object names it is handed.
#include "common/choices.h"

#include <QList>
#include <QString>
#include <QStringList>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class QWidget;

namespace db {
class Recordset;
} // namespace db

namespace ui {
class DataCombo;
class DatePicker;
class Grid;
} // namespace ui

namespace common::formkit {

// The window's outer column: margins of 10, spacing of 8.
QVBoxLayout *windowColumn(QWidget *window);
// The window's outer column with the given margins and spacing.
QVBoxLayout *windowColumn(QWidget *window, int margin, int spacing);
// A window's heading: large, bold, on a dark band across the window.
QLabel *heading(const QString &objectName, const QString &text, QWidget *parent);
// A window's title: centred, bold, six points larger than the usual font.
QLabel *title(const QString &objectName, const QString &text, QWidget *parent);
// A tab control that takes the column's spare height.
QTabWidget *tabs(const QString &objectName, QWidget *parent, QBoxLayout *column);

// A page for a tab control, with a column of its own; the caller adds it
// to the tabs once it is filled.
struct Page {
    QWidget *widget;
    QVBoxLayout *column;
};
Page tabPage(const QString &objectName);

// A caption with no object name of its own for the control `buddy`.
QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent);
// A right-aligned caption for the control `buddy` (may be null).
QLabel *fieldLabel(const QString &objectName, const QString &text, QWidget *buddy, QWidget *parent);
// A plain text box.
QLineEdit *lineEdit(const QString &objectName, QWidget *parent);
// A text box bound to `field` under `tag` (see binding.h).
QLineEdit *boundEdit(const QString &objectName, const QString &tag, const QString &field, QWidget *parent);
// A check box with its caption.
QCheckBox *checkBox(const QString &objectName, const QString &caption, QWidget *parent);

// "Search Criteria " with the criterion box cmb_s_cri, then "Search Value "
// with the value box txt_s_value, on one grid row (columns 0 to 3). An
// editable criterion box takes typed text without adding it to its list.
struct CriteriaRow {
    QGridLayout *layout;
    QComboBox *criterion;
    QLineEdit *value;
};
CriteriaRow criteriaRow(
    QWidget *page, const QString &criterionLabelName, const QString &valueLabelName, bool editable);
// The list grid Msh, taking the column's spare height.
ui::Grid *listGrid(QWidget *page, QBoxLayout *column);

// Shows the rows of `rs` in `list`; no row shows the header and one blank row.
void fillList(ui::Grid *list, db::Recordset &rs);
// The same for rows already read, one line of cells each under `header`.
void fillList(ui::Grid *list, const QStringList &header, const QList<QStringList> &lines);
// Lists `choices` in `combo`: their names shown, their keys bound; none chosen.
void fillChoices(ui::DataCombo *combo, const common::Choices &choices);

// A search tab added to `tabs`: the criteria row with an editable criterion
// box (labels lblSearchCriteria, lblSearchValue) over the list grid Msh.
struct SearchTab {
    QComboBox *criterion;
    QLineEdit *value;
    ui::Grid *list;
};
SearchTab searchTab(QTabWidget *tabs, const QString &objectName, const QString &caption);

// The rest of a record window (the telephone directory, the users): the
// entry page `entry` shows `frame` with the spare height below it as the
// tab `entryCaption`; then the search tab `searchName` and, across the foot
// of the window's column, cmdSave "&Save", cmdDelete "&DELETE" and
// cmdCancel "&CANCEL" (Cancel first unless `deleteFirst`), cmdPrint "&PRINT"
// and cmdExit "E&XIT", which Enter does not click.
struct RecordTabs {
    QString entryCaption;
    QString searchName;
    QString searchCaption;
    bool deleteFirst = true;
};
struct RecordControls {
    SearchTab search;
    QPushButton *save, *erase, *cancel, *print, *exit;
};
RecordControls recordTabs(QWidget *window, QBoxLayout *column, QTabWidget *tabs, const Page &entry,
    QWidget *frame, const RecordTabs &names);

// The bold, right-aligned "Total Amount:" label lblTotalAmount under an
// entry grid.
QLabel *totalLabel(QWidget *parent);

// The search tab tabSearch of the voucher windows, added to `tabs`: the
// editable criterion box cboSearch after "Select Searching Criteria", the
// label lblSearch, the text box txtSearch and the date picker DTPSearch on
// one row, over the list grid mshSearch.
struct VoucherSearchTab {
    QComboBox *criterion;
    QLabel *label;
    QLineEdit *text;
    ui::DatePicker *date;
    ui::Grid *list;
};
VoucherSearchTab voucherSearchTab(QTabWidget *tabs, const QString &caption);

// A push button. Without auto-default, Enter on the focused button does
// not click it.
QPushButton *pushButton(const QString &objectName, const QString &caption, QWidget *parent, bool autoDefault);
// A push button of at least `minimumWidth` pixels.
QPushButton *pushButton(
    const QString &objectName, const QString &caption, QWidget *parent, int minimumWidth, bool autoDefault);

// Push buttons alike, added to `layout` in the order they are made, ahead
// of the last `kept` items of the layout.
class ButtonRow {
public:
    ButtonRow(QBoxLayout *layout, QWidget *parent, int minimumWidth, bool autoDefault, int kept = 0)
        : m_layout(layout)
        , m_parent(parent)
        , m_minimumWidth(minimumWidth)
        , m_autoDefault(autoDefault)
        , m_kept(kept)
    {
    }
    QPushButton *add(const QString &objectName, const QString &caption) const;

private:
    QBoxLayout *m_layout;
    QWidget *m_parent;
    int m_minimumWidth;
    bool m_autoDefault;
    int m_kept;
};

// A right-aligned row across the foot of `column` for buttons that Enter
// does not click.
ButtonRow footerButtons(QBoxLayout *column, QWidget *parent, int minimumWidth);
// A row across `column` whose buttons stay centred between two stretches.
ButtonRow centredButtons(QBoxLayout *column, QWidget *parent, int minimumWidth, bool autoDefault);

// Tab moves through `order` from first to last.
void tabOrder(const QList<QWidget *> &order);

} // namespace common::formkit
