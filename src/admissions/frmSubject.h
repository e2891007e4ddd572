#pragma once
// Subjects of each course with the fee charged for them.
#include "admissions/catalogue_window.h"
#include "platform/db/db.h"

namespace ui {
class DataCombo;
}

namespace admissions {

class frmSubject : public CatalogueWindow {
    Q_OBJECT
public:
    frmSubject();

protected:
    void loadMember() override;
    bool collect(catalogue::Entry *entry) override;
    void loadRow(int row) override;
    void cmdExit_Click() override;
    bool appliesMenuRights() const override;
    QWidget *firstField() const override;

private:
    QLineEdit *txtSubName, *txtTotAmt;
    ui::DataCombo *cboCource;
};

} // namespace admissions
