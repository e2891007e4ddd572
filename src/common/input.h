#pragma once
// What the windows' boxes take. An amount box takes one plain amount, the
// way the money columns store it: digits (at most 12 before the point), at
// most one point and two decimals, a minus in front only where the column
// takes negative amounts. Anything else typed or pasted is refused with a
// message and the box keeps what it held, never read by its leading number
// or rounded. A value set from code is shown whole (no length limit cuts it).
//
// A digits box (file and bill numbers) takes digits 0 to 9 only, at most
// as many as its column holds; a paste of anything else, or of more
// digits, is refused whole with a message rather than filtered or cut.
//
// Every text box refuses control characters (NUL and the like): pasted
// ones are left out with a message, so they never reach a stored text.
// Date pickers refuse a pasted or typed date that does not exist.
#include "platform/db/db.h"

#include <QString>

class QLineEdit;
class QObject;
class QEvent;

namespace common::input {

inline constexpr int kWholeDigits = 12;
inline constexpr int kDecimals = 2;

enum class Sign { Positive, Signed };

// The whole text as a plain amount; false for anything else ("", ".",
// "1e3", "1,5", "1.2.3", "0.005", thirteen whole digits).
bool parseAmount(QStringView text, db::Money *out, Sign sign = Sign::Positive);
// What may stand in an amount box while it is typed: a plain amount or the
// start of one ("", ".", "-", "12.").
bool isPartialAmount(QStringView text, Sign sign = Sign::Positive);
// The message of a refused amount.
QString amountRefusal(Sign sign = Sign::Positive);

// Makes `box` an amount box: the rule above for what is typed or pasted,
// blanks dropped while typing, no length limit on what code shows.
void amountBox(QLineEdit *box, Sign sign = Sign::Positive);

// The message of a refused entry in a digits box of `maxDigits`.
QString digitsRefusal(int maxDigits);
// Makes `box` a digits box of at most `maxDigits` digits.
void digitsBox(QLineEdit *box, int maxDigits);

// The text without control characters (tabs and line breaks count as
// such unless `multiLine`).
QString withoutControls(const QString &text, bool multiLine = false);

// Guards a widget that is about to be shown (the application calls it for
// every polish event): text boxes refuse control characters and date
// pickers tell when they refused a date.
void guardWidget(QObject *object, QEvent *event);

} // namespace common::input
