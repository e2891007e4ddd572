#pragma once
// Look shared by the administration windows.
#include <QString>

class QLabel;
class QWidget;

namespace shell::admin {

// A window's heading: large, bold, on a dark band across the window.
QLabel *heading(const QString &objectName, const QString &text, QWidget *parent);
// A smaller bold caption inside a window (a section's title).
QLabel *sectionTitle(const QString &objectName, const QString &text, QWidget *parent);

} // namespace shell::admin
