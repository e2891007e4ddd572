#include "common/binding.h"

#include <QLineEdit>
#include <QWidget>

namespace common::binding {

namespace {

const char *const tagProperty = "Tag";
const char *const dataFieldProperty = "DataField";

bool skipped(const QLineEdit *box, const QStringList &skip)
{
    return skip.contains(dataFieldOf(box), Qt::CaseInsensitive);
}

} // namespace

void bind(QLineEdit *box, const QString &tag, const QString &dataField)
{
    box->setProperty(tagProperty, tag);
    box->setProperty(dataFieldProperty, dataField);
}

QString tagOf(const QWidget *w)
{
    return w->property(tagProperty).toString();
}

QString dataFieldOf(const QWidget *w)
{
    return w->property(dataFieldProperty).toString();
}

QList<QLineEdit *> fields(QWidget *window, const QString &tag)
{
    QList<QLineEdit *> result;
    const auto boxes = window->findChildren<QLineEdit *>();
    for (QLineEdit *box : boxes) {
        // Masked boxes keep their own rules for what counts as filled in.
        if (box->inherits("ui::MaskedEdit"))
            continue;
        if (tagOf(box) == tag && !dataFieldOf(box).isEmpty())
            result << box;
    }
    return result;
}

void load(QWidget *window, const QString &tag, db::Recordset &rs)
{
    for (QLineEdit *box : fields(window, tag))
        box->setText(rs.fields(dataFieldOf(box)).toString());
}

void save(QWidget *window, const QString &tag, db::Recordset &rs, const QStringList &skip)
{
    for (QLineEdit *box : fields(window, tag)) {
        if (skipped(box, skip))
            continue;
        const QString text = box->text();
        rs.fields(dataFieldOf(box)).setValue(text.isEmpty() ? db::Value() : db::Value(text));
    }
}

void clear(QWidget *window, const QString &tag)
{
    for (QLineEdit *box : fields(window, tag))
        box->clear();
}

int textLength(db::Recordset &rs, const QString &column)
{
    const int index = rs.indexOf(column);
    if (index < 0)
        throw db::Error(QStringLiteral("No column '%1'.").arg(column));
    const db::Column &c = rs.column(index);
    // Only text columns limit what is typed; a number column's size is
    // its storage width, not a count of characters.
    return c.kind == db::Type::Text && c.definedSize > 0 ? c.definedSize : 0;
}

void setMaxLengths(QWidget *window, const QString &tag, db::Recordset &rs, const QStringList &skip)
{
    for (QLineEdit *box : fields(window, tag)) {
        if (skipped(box, skip))
            continue;
        if (rs.indexOf(dataFieldOf(box)) < 0)
            throw db::Error(
                QStringLiteral("No column '%1' for the box '%2'.").arg(dataFieldOf(box), box->objectName()));
        if (const int n = textLength(rs, dataFieldOf(box)); n > 0)
            box->setMaxLength(n);
    }
}

namespace {

// No row: only the columns are read.
void openColumns(db::Recordset &rs, db::Connection &conn, const QString &table)
{
    rs.open(QStringLiteral("select * from %1 where 0=1").arg(table), conn);
}

} // namespace

void setMaxLengths(
    QWidget *window, const QString &tag, db::Connection &conn, const QString &table, const QStringList &skip)
{
    db::Recordset rs;
    openColumns(rs, conn, table);
    setMaxLengths(window, tag, rs, skip);
}

void setMaxLength(
    const QList<QLineEdit *> &boxes, db::Connection &conn, const QString &table, const QString &column)
{
    db::Recordset rs;
    openColumns(rs, conn, table);
    if (rs.indexOf(column) < 0)
        throw db::Error(QStringLiteral("No column '%1' in '%2'.").arg(column, table));
    if (const int n = textLength(rs, column); n > 0)
        for (QLineEdit *box : boxes)
            box->setMaxLength(n);
}

Texts texts(QWidget *window, const QString &tag, const QStringList &skip)
{
    Texts result;
    for (QLineEdit *box : fields(window, tag))
        if (!skipped(box, skip))
            result.append({dataFieldOf(box), box->text()});
    return result;
}

void load(QWidget *window, const QString &tag, const Texts &texts)
{
    for (QLineEdit *box : fields(window, tag)) {
        const QString column = dataFieldOf(box);
        QString text;
        for (const auto &[name, value] : texts)
            if (name.compare(column, Qt::CaseInsensitive) == 0) {
                text = value;
                break;
            }
        box->setText(text);
    }
}

Texts textsOf(db::Recordset &rs)
{
    Texts result;
    for (int c = 0, n = rs.fieldCount(); c < n; ++c)
        result.append({rs.column(c).name, rs.fields(c).toString()});
    return result;
}

void store(db::Recordset &rs, const Texts &texts)
{
    for (const auto &[column, text] : texts)
        rs.fields(column).setValue(text.isEmpty() ? db::Value() : db::Value(text));
}

} // namespace common::binding
