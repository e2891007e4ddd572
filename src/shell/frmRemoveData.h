#pragma once
// Data removal: empties whole tables, or removes one kind of voucher dated
// in a range, one button per kind of data.
#include "common/window.h"

class QPushButton;

namespace ui {
class DatePicker;
}

class frmRemoveData : public common::Window {
    Q_OBJECT
public:
    frmRemoveData();

protected:
    void formUnload() override;

private:
    void removeTables(const QStringList &tables);
    void removeVouchers(const QString &kind);

    ui::DatePicker *DTPicker1, *DTPicker2;
};
