#pragma once
// What the voucher and fee receipt fixtures share: the voucher setup's
// rows and stored rows read back as text.
#include "support/testserver.h"

#include <QStringList>

class EntryFixture : public TestServer {
protected:
    void setup(
        const char *kind, db::Value startNo, db::Value acCode = {}, db::Value side = {}, db::Value fix = {})
    {
        exec(QStringLiteral(
                 "Insert Into VouSetting (VouStatus, VouNo, AcCode, AcStatus, Fix) Values (?,?,?,?,?)"),
            {kind, startNo, acCode, side, fix});
    }
    QString id(std::int64_t key) const { return QString::number(key); }

    // One text per row, its cells joined by "|" with "-" for Null.
    static QStringList texts(db::Recordset &rs)
    {
        QStringList out;
        for (; !rs.eof(); rs.moveNext()) {
            QStringList cells;
            for (int i = 0; i < rs.fieldCount(); ++i)
                cells << (rs.fields(i).isNull() ? QStringLiteral("-") : rs.fields(i).toString());
            out << cells.join(u'|');
        }
        return out;
    }
    // The one master row's text, "" when there is none.
    static QString masterText(db::Recordset &rs)
    {
        const QStringList t = texts(rs);
        return t.size() == 1 ? t.front()
            : t.isEmpty()    ? QString()
                             : QStringLiteral("(%1 masters)").arg(t.size());
    }
};
