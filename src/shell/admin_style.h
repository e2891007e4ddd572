#pragma once
// Look of the administration windows beyond the shared heading band
// (formkit.h).
#include <QString>

class QLabel;
class QWidget;

namespace shell::admin {

// A smaller bold caption inside a window (a section's title).
QLabel *sectionTitle(const QString &objectName, const QString &text, QWidget *parent);

} // namespace shell::admin
