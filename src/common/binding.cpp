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

} // namespace common::binding
