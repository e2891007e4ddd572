#include "admissions/frmSubject.h"

#include "admissions/catalogue_rules.h"
#include "common/dialogs.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QLineEdit>
#include <QPushButton>

namespace admissions {

frmSubject::frmSubject()
    : CatalogueWindow({QStringLiteral("frmSubject"), QStringLiteral("SUBJECT "),
        QStringLiteral("SUBJECT ENTRY"), QStringLiteral("SUBJECT  SEARCH"), catalogue::Table::Subject,
        {QStringLiteral("Subject Name"), QStringLiteral("Code No")},
        {{"CODE NO", 1200}, {"COURSE", 4000}, {"SUBJECTS", 4000}, {"TOTAL AMOUNT", 1500}, {"", 0}},
        QStringLiteral("Code no")})
{
    txtSubName
        = addField("lblSubName", QStringLiteral("Subject Name "), "txtSubName", QStringLiteral("SubName"));
    txtTotAmt = addField("lblTotAmt", QStringLiteral("Total Amount"), "txtTotAmt", QStringLiteral("TotAmt"));
    cboCource = new ui::DataCombo(txtSubName->parentWidget());
    cboCource->setObjectName(QStringLiteral("cboCource"));
    addRow("lblCource", QStringLiteral("Cource Name "), cboCource);
    ui::keys(txtTotAmt).upperCase();
    finishLayout({txtSubName, txtTotAmt}, {cboCource});
    cmdDelete->setEnabled(false);
    resize(780, 460);
}

void frmSubject::loadMember()
{
    // Kept while the window exists: courses added later show after reopening.
    const common::Choices courses = catalogue::courses(*gConn);
    common::formkit::fillChoices(cboCource, courses);
    if (!courses.isEmpty())
        cboCource->setBoundText(courses.first().key);
}

bool frmSubject::collect(catalogue::Entry *entry)
{
    if (cboCource->text().isEmpty()) {
        common::msgBox(
            QStringLiteral("Please Select Cource"), common::Buttons::Ok, common::Icon::Information);
        return false;
    }
    // The amount box takes any key; only an amount is stored.
    db::Value fee;
    if (!catalogue::parseFee(txtTotAmt->text(), &fee)) {
        common::msgBox(QStringLiteral("Please enter the Total Amount as a number of 0 or more, for example "
                                      "1500 or 1250.50"),
            common::Buttons::Ok, common::Icon::Information);
        txtTotAmt->setFocus(Qt::OtherFocusReason);
        txtTotAmt->selectAll();
        return false;
    }
    collectBoxes(entry, {QStringLiteral("TotAmt")});
    entry->fields.append({QStringLiteral("TotAmt"), fee});
    entry->fields.append({QStringLiteral("CourseId"), db::Value(cboCource->boundText().toLongLong())});
    return true;
}

void frmSubject::loadRow(int row)
{
    txtSubName->setText(Msh->textMatrix(row, 2));
    cboCource->setBoundText(Msh->textMatrix(row, 4));
    txtTotAmt->setText(Msh->textMatrix(row, 3));
}

void frmSubject::cmdExit_Click()
{
    if (gSubjectFormFromPicker)
        hideWindow();
    else
        unload();
}

bool frmSubject::appliesMenuRights() const
{
    return !gSubjectFormFromPicker;
}

QWidget *frmSubject::firstField() const
{
    return txtSubName;
}

} // namespace admissions
