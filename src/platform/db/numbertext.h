#pragma once
// The one writer of fixed-point numbers in the program's formats
// ("##,###0.00", "###0.00"), shared by the windows and the report engine.
#include "platform/db/db.h"

#include <QString>

#include <cstdint>

namespace db {

// units / 10^scale written with `decimals` decimals, rounded half away from
// zero, with a comma between thousands when `grouping`. A value that rounds
// to zero carries no minus sign.
QString fixedText(std::int64_t units, int scale, int decimals, bool grouping);

// "##,###0.00" (grouping) or "###0.00": 1234.5 -> "1,234.50" / "1234.50".
inline QString moneyText(Money m, bool grouping)
{
    return fixedText(m.cents(), 2, 2, grouping);
}

// Puts a comma between thousands into a run of digits: "1234567" -> "1,234,567".
QString groupThousands(QStringView digits);

} // namespace db
