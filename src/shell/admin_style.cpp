#include "shell/admin_style.h"

#include <QLabel>

namespace shell::admin {

QLabel *sectionTitle(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setStyleSheet(QStringLiteral("QLabel { color: #1f4266; font-size: 11pt; font-weight: bold; }"));
    return l;
}

} // namespace shell::admin
