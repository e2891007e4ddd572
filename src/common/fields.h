#pragma once
// Small readings of entry fields that many windows share.
#include "platform/db/db.h"

#include <QString>
#include <QWidget>

#include <cstdint>

namespace common::fields {

// A key typed or stored as text; 0 when it is none.
inline std::int64_t keyOf(const QString &text)
{
    bool ok = false;
    const qlonglong k = text.trimmed().toLongLong(&ok);
    return ok ? k : 0;
}

// An amount as typed; 0 when the text is no amount.
inline db::Money amountOf(const QString &text)
{
    db::Money m;
    return db::Money::tryParse(text, &m) ? m : db::Money();
}

inline void focusIfEnabled(QWidget *w)
{
    if (w->isEnabled())
        w->setFocus(Qt::OtherFocusReason);
}

} // namespace common::fields
