#pragma once
// Sessions of the institute.
#include "admissions/catalogue_window.h"

namespace admissions {

class frmSession : public CatalogueWindow {
    Q_OBJECT
public:
    frmSession();

protected:
    bool collect(catalogue::Entry *entry) override;
    void afterWrite() override;
    void loadRow(int row) override;
    QWidget *firstField() const override;

private:
    QLineEdit *txtSessionName;
};

} // namespace admissions
