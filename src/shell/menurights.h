#pragma once
// Menu rights: table Menus holds one row per governed menu item, matched to
// the main window's menu by exact caption; Active "1" grants (shows) it.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace shell::menurights {

// The captions of the rights window's boxes Check1 to Check19, in order.
const QStringList &boxCaptions();

// Rewrites table Menus with these rows (caption, granted), in order, in one
// transaction: a failure part-way leaves the previous rights whole.
void save(const QList<QPair<QString, bool>> &rows);

} // namespace shell::menurights
