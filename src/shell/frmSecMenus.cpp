#include "shell/frmSecMenus.h"

#include "common/errors.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "shell/menurights.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *heading()
{
    auto *l = new QLabel(QStringLiteral("MENUS"));
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    f.setPixelSize(16);
    l->setFont(f);
    return l;
}

} // namespace

frmSecMenus::frmSecMenus()
    : common::Window(QStringLiteral("frmSecMenus"))
    , cmdSave(new QPushButton(QStringLiteral("&Save")))
    , Command1(new QPushButton(QStringLiteral("E&xit")))
{
    setWindowTitle(QStringLiteral("Menus"));
    auto *frame1 = new QGroupBox(QStringLiteral("REGISTRATIONS"));
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto *frame2 = new QGroupBox(QStringLiteral("REPORTS"));
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto *list1 = new QVBoxLayout(frame1);
    auto *list2 = new QVBoxLayout(frame2);
    const QStringList &captions = shell::menurights::boxCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        auto *box = new QCheckBox(captions[i]);
        box->setObjectName(QStringLiteral("Check%1").arg(i + 1));
        // Room for the caption in bold from the start: the window does not
        // grow when a box is ticked.
        const QFont normal = box->font();
        QFont bold = normal;
        bold.setBold(true);
        box->setFont(bold);
        box->setMinimumWidth(box->sizeHint().width());
        box->setFont(normal);
        // A ticked box shows its caption in bold, whoever ticks it.
        connect(box, &QCheckBox::toggled, box, [box](bool on) {
            QFont f = box->font();
            f.setBold(on);
            box->setFont(f);
        });
        (i < 9 ? list1 : list2)->addWidget(box);
        m_checks << box;
    }
    list1->addStretch();
    list2->addStretch();

    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    Command1->setObjectName(QStringLiteral("Command1"));
    cmdSave->setMinimumWidth(90);
    Command1->setMinimumWidth(90);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->addWidget(heading(), 0, 0);
    grid->addWidget(heading(), 0, 1);
    grid->addWidget(frame1, 1, 0);
    grid->addWidget(frame2, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    common::on(cmdSave, &QPushButton::clicked, this, [this](auto &&...) { cmdSave_Click(); });
    common::on(Command1, &QPushButton::clicked, this, [this](auto &&...) { Command1_Click(); });
}

void frmSecMenus::formLoad()
{
    OpenMenus();
}

void frmSecMenus::OpenMenus()
{
    OpenQuery(QStringLiteral("Select * From Menus"));
    if (gRs->recordCount() > 0)
        gRs->moveFirst();
    for (int row = 0, n = gRs->recordCount(); row < n; ++row) {
        const QString caption = gRs->fields(QStringLiteral("Menus")).toString();
        const bool granted = gRs->fields(QStringLiteral("Active")).toString() == u"1";
        for (QCheckBox *box : std::as_const(m_checks)) {
            if (box->text() == caption)
                box->setChecked(granted);
        }
        gRs->moveNext();
    }
}

void frmSecMenus::cmdSave_Click()
{
    QList<QPair<QString, bool>> rows;
    for (QCheckBox *box : std::as_const(m_checks))
        rows.append({box->text(), box->isChecked()});
    shell::menurights::save(rows);
}

void frmSecMenus::Command1_Click()
{
    unload();
}

void frmSecMenus::formUnload()
{
    // The flag goes down even when applying the rights fails.
    struct LowerFlag {
        ~LowerFlag() { gLockSetMenus = false; }
    } lower;
    ApplyMenuRights();
}
