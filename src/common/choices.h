#pragma once
// Rows a rule reads for a window to list: a pick list's choices (the key a
// window keeps, the name it shows).
#include "platform/db/db.h"

#include <QList>
#include <QString>

namespace common {

struct Choice {
    QString key;
    QString name;
};
using Choices = QList<Choice>;

// The rows of a statement that selects the key, then the name.
Choices readChoices(db::Connection &conn, const QString &sql, const db::Params &params = {});

} // namespace common
