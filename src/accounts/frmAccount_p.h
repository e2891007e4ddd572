#pragma once
// What the chart-of-accounts window's source files share.
#include "common/dialogs.h"
#include "platform/db/db.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>

namespace accounts::chartwindow {

inline const QString kNew = QStringLiteral("&New");
inline const QString kSave = QStringLiteral("&Save");
inline const QString kFieldTag = QStringLiteral("D");

// Tree keys are codes in single quotes.
inline QString nodeKey(const QString &code)
{
    return u'\'' + code.trimmed() + u'\'';
}

inline void setBold(QWidget *w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

inline bool shown(const QWidget *w)
{
    return !w->isHidden();
}

using common::info;

} // namespace accounts::chartwindow
