#include "platform/ui/controls.h"

#include "platform/db/db.h"

#include <QEvent>
#include <QLineEdit>

namespace ui {

DatePicker::DatePicker(QWidget *parent, const QString &format)
    : QDateEdit(QDate::currentDate(), parent)
{
    setDisplayFormat(format);
    setCalendarPopup(true);
    setMinimumDate(QDate(1900, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    // The text takes the presses on it; they count as presses on the picker.
    lineEdit()->installEventFilter(this);
}

void DatePicker::mousePressEvent(QMouseEvent *event)
{
    emit pressed();
    QDateEdit::mousePressEvent(event);
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress)
        emit pressed();
    return QDateEdit::eventFilter(watched, event);
}

DataCombo::DataCombo(QWidget *parent)
    : QComboBox(parent)
{
    setInsertPolicy(QComboBox::NoInsert);
}

void DataCombo::fill(const db::Recordset &rs, const QString &listField, const QString &boundColumn)
{
    const int list = rs.indexOf(listField);
    const int bound = rs.indexOf(boundColumn);
    if (list < 0 || bound < 0)
        throw db::Error(
            QStringLiteral("The list has no field '%1'.").arg(list < 0 ? listField : boundColumn));
    QSignalBlocker block(this);
    clear();
    const int n = rs.recordCount();
    for (int r = 0; r < n; ++r)
        addItem(rs.at(r, list).toString(), rs.at(r, bound).toString());
    setCurrentIndex(-1);
    if (QLineEdit *e = lineEdit())
        e->clear();
}

QString DataCombo::boundText() const
{
    return currentIndex() >= 0 ? currentData().toString() : QString();
}

void DataCombo::setBoundText(const QString &value)
{
    const int i = findData(value);
    setCurrentIndex(i);
    if (i < 0) {
        if (QLineEdit *e = lineEdit())
            e->clear();
    }
}

void showTab(QTabWidget *tabs, int index)
{
    tabs->setCurrentIndex(index);
}

} // namespace ui
