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

QValidator::State DatePicker::validate(QString &input, int &pos) const
{
    // Every digit of a numeric format given, yet no such day.
    const QString format = displayFormat();
    bool shaped = input.size() == format.size();
    for (qsizetype i = 0; shaped && i < format.size(); ++i) {
        const QChar f = format[i];
        if (f == u'd' || f == u'M' || f == u'y')
            shaped = input[i].isDigit() && input[i].unicode() < 128;
        else if (f.isLetter())
            return QDateEdit::validate(input, pos); // names of months or days: Qt's own rules
        else
            shaped = input[i] == f;
    }
    if (shaped && !QDate::fromString(input, format).isValid()) {
        const QString refused = input;
        auto *self = const_cast<DatePicker *>(this);
        QMetaObject::invokeMethod(
            self,
            [self, refused] {
                if (self->text() != refused)
                    emit self->dateRefused(refused);
            },
            Qt::QueuedConnection);
        return QValidator::Invalid;
    }
    return QDateEdit::validate(input, pos);
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
    QStringList names, keys;
    for (int r = 0, n = rs.recordCount(); r < n; ++r) {
        names << rs.at(r, list).toString();
        keys << rs.at(r, bound).toString();
    }
    fill(names, keys);
}

void DataCombo::fill(const QStringList &names, const QStringList &keys)
{
    QSignalBlocker block(this);
    clear();
    for (qsizetype r = 0; r < names.size(); ++r)
        addItem(names[r], r < keys.size() ? keys[r] : QString());
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
