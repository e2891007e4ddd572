#pragma once
// Courses with their length.
#include "admissions/catalogue_window.h"

class QComboBox;

namespace admissions {

class frmCourse : public CatalogueWindow {
    Q_OBJECT
public:
    frmCourse();

protected:
    void loadMember() override;
    bool collect(catalogue::Entry *entry) override;
    void loadRow(int row) override;
    QWidget *firstField() const override;

private:
    QLineEdit *txtCourseName, *txtCourseDurr;
    QComboBox *cmbMYear;
};

} // namespace admissions
