#include "admin_style.h"

#include <QLabel>

namespace shell::admin {

QLabel *heading(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumHeight(34);
    l->setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                    "stop:0 #2f5d8a, stop:1 #1f4266); color: white; font-size: 15pt; "
                                    "font-weight: bold; border-radius: 3px; padding: 4px; }"));
    return l;
}

QLabel *sectionTitle(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setStyleSheet(QStringLiteral("QLabel { color: #1f4266; font-size: 11pt; font-weight: bold; }"));
    return l;
}

} // namespace shell::admin
