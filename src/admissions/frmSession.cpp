#include "admissions/frmSession.h"

#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QLineEdit>

namespace admissions {

frmSession::frmSession()
    : CatalogueWindow({QStringLiteral("frmSession"), QStringLiteral("SESSION"), QStringLiteral("SESSION "),
        QStringLiteral("SEARCH"), catalogue::Table::Session,
        {QStringLiteral("Session Name"), QStringLiteral("Session No")},
        {{"SESSION NO", 1200}, {"SESSION NAME", 3000}}, QStringLiteral("Session No")})
{
    txtSessionName = addField(
        "lblSessionName", QStringLiteral("Session Name "), "txtSessionName", QStringLiteral("SessionName"));
    ui::keys(txtSessionName).upperCase();
    finishLayout({txtSessionName}, {});
    resize(520, 400);
}

bool frmSession::collect(catalogue::Entry *entry)
{
    collectBoxes(entry);
    return true;
}

void frmSession::afterWrite()
{
    txtSessionName->setFocus(Qt::OtherFocusReason);
}

void frmSession::loadRow(int row)
{
    txtSessionName->setText(Msh->textMatrix(row, 1));
}

QWidget *frmSession::firstField() const
{
    return txtSessionName;
}

} // namespace admissions
