#pragma once
// Field binding: a data window's text boxes carry a Tag ("M", or "D" in some
// windows) and a DataField (the column they show). One loop over the
// window's controls loads them from the current row, writes them into it
// (an empty box stores Null), clears them and sets their maximum lengths.
#include "platform/db/db.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QWidget;
class QLineEdit;

namespace common::binding {

void bind(QLineEdit *box, const QString &tag, const QString &dataField);
QString tagOf(const QWidget *w);
QString dataFieldOf(const QWidget *w);

// The window's bound boxes with that tag, in the order they were created.
QList<QLineEdit *> fields(QWidget *window, const QString &tag);

// Each box gets its column's value ("" for Null).
void load(QWidget *window, const QString &tag, db::Recordset &rs);
// Each box (except those whose DataField is in `skip`) writes its text into
// its column, Null when empty.
void save(QWidget *window, const QString &tag, db::Recordset &rs, const QStringList &skip = {});
void clear(QWidget *window, const QString &tag);
// The defined size of a text column: the most characters it takes; 0 for a
// column of another type or of no size. Throws db::Error for an unknown column.
int textLength(db::Recordset &rs, const QString &column);
// Maximum length of each box from the defined size of its text column.
void setMaxLengths(QWidget *window, const QString &tag, db::Recordset &rs, const QStringList &skip = {});

// The same from the columns of the program's table `table`.
void setMaxLengths(QWidget *window, const QString &tag, db::Connection &conn, const QString &table,
    const QStringList &skip = {});
// Maximum length of each of `boxes` from the defined size of text column
// `column` of `table` (no limit set when it has none).
void setMaxLength(
    const QList<QLineEdit *> &boxes, db::Connection &conn, const QString &table, const QString &column);

// Bound values handed between a window and a rule without a recordset: each
// column's name and its text ("" for Null).
using Texts = QList<QPair<QString, QString>>;
// The texts of the window's boxes with that tag (except those in `skip`).
Texts texts(QWidget *window, const QString &tag, const QStringList &skip = {});
// Each box gets the text of its column ("" when `texts` has none).
void load(QWidget *window, const QString &tag, const Texts &texts);
// Every column of the current row of `rs`.
Texts textsOf(db::Recordset &rs);
// Writes each text into its column of the current row, Null when empty.
void store(db::Recordset &rs, const Texts &texts);

// Masked boxes (ui::MaskedEdit) are not text boxes: fields(), load, save and
// clear leave them alone; windows write them explicitly.

} // namespace common::binding
