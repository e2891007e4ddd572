#pragma once
// Data removal: empties whole tables, or removes one kind of voucher dated
// in a range, one button per kind of data.
#include "common/window.h"

class QBoxLayout;

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
    void buildTablesSection(QBoxLayout *columns);
    void buildVouchersSection(QBoxLayout *columns);
    void removeTables(const QStringList &tables);
    void removeVouchers(const QString &kind);

    ui::DatePicker *DTPicker1, *DTPicker2;
};
