#include "common/format.h"

#include "platform/db/numbertext.h"

namespace common::fmt {

QString money(db::Money m)
{
    return db::moneyText(m, true);
}

QString plainMoney(db::Money m)
{
    return db::moneyText(m, false);
}

QString ddmmyyyy(const QDate &d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd-MM-yyyy")) : QString();
}

QString isoDate(const QDate &d)
{
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

} // namespace common::fmt
