#include "admissions/frmCourse.h"

#include "common/dialogs.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace admissions {

frmCourse::frmCourse()
    : CatalogueWindow({QStringLiteral("frmCourse"), QStringLiteral("COURSE"), QStringLiteral("COURSE ENTRY"),
        QStringLiteral("COURSE  SEARCH"), catalogue::Table::Course,
        {QStringLiteral("Course Name"), QStringLiteral("Course No")},
        {{"COURSE NO", 1200}, {"COURSE NAME", 4000}, {"COURSE DURRATION", 2000}, {"MONTH/YEAR", 1500}},
        QStringLiteral("Course no")})
{
    txtCourseName = addField(
        "lblCourseName", QStringLiteral("Course Name "), "txtCourseName", QStringLiteral("CourseName"));
    txtCourseDurr = addField("lblCourseDurr", QStringLiteral("Course Durration"), "txtCourseDurr",
        QStringLiteral("Coursedurration"));
    cmbMYear = new QComboBox(txtCourseName->parentWidget());
    cmbMYear->setObjectName(QStringLiteral("cmbMYear"));
    cmbMYear->setEditable(true);
    cmbMYear->setInsertPolicy(QComboBox::NoInsert);
    addRow("lblMYear", QStringLiteral("Month / Year "), cmbMYear);
    ui::keys(txtCourseName).upperCase();
    ui::keys(txtCourseDurr).upperCase();
    finishLayout({txtCourseName, txtCourseDurr}, {cmbMYear});
    cmdDelete->setEnabled(false);
    resize(700, 440);
}

void frmCourse::loadMember()
{
    cmbMYear->addItems({QStringLiteral("Month"), QStringLiteral("Year")});
    cmbMYear->setCurrentIndex(0);
    if (QLineEdit *e = cmbMYear->lineEdit())
        e->setMaxLength(50);
}

bool frmCourse::collect(catalogue::Entry *entry)
{
    // The length is text, stored as typed ("3 YEARS" as well as "18").
    collectBoxes(entry);
    const QString unit = cmbMYear->currentText();
    entry->fields.append({QStringLiteral("MonthYear"), unit.isEmpty() ? db::Value() : db::Value(unit)});
    return true;
}

void frmCourse::loadRow(int row)
{
    txtCourseName->setText(Msh->textMatrix(row, 1));
    txtCourseDurr->setText(Msh->textMatrix(row, 2));
    cmbMYear->setCurrentText(Msh->textMatrix(row, 3));
}

QWidget *frmCourse::firstField() const
{
    return txtCourseName;
}

} // namespace admissions
