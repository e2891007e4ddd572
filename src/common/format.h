#pragma once
// The program's display formats.
#include "platform/db/db.h"

#include <QDate>
#include <QString>

namespace common::fmt {

QString money(db::Money m); // "##,###0.00": 1234.5 -> "1,234.50", 0 -> "0.00"
QString plainMoney(db::Money m); // "###0.00":    1234.5 -> "1234.50"
QString ddmmyyyy(const QDate &d); // "03-08-2009"
QString isoDate(const QDate &d); // "2009-08-03"

} // namespace common::fmt

namespace common {
// 15 twips per pixel at 96 dpi.
constexpr int twipsPerPixel = 15;
constexpr int twips(int t)
{
    return t / twipsPerPixel;
}
constexpr int toTwips(int px)
{
    return px * twipsPerPixel;
}
} // namespace common
