#include "shell/frmLocPass.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/keys.h"
#include "shell/server_setup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmLocPass::frmLocPass()
    : common::Window(QStringLiteral("frmLocPass"))
    , txtPassword(new QLineEdit)
    , cmdOK(new QPushButton(QStringLiteral("&Ok")))
    , cmdCancel(new QPushButton(QStringLiteral("&Cancel")))
{
    setWindowTitle(QStringLiteral("Password:-"));
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    txtPassword->setMaxLength(6);
    txtPassword->setMinimumWidth(160);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOK->setMinimumWidth(84);
    cmdCancel->setMinimumWidth(84);

    auto *label = new QLabel(QStringLiteral("Password"));
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(txtPassword);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);

    auto *field = new QHBoxLayout;
    field->addWidget(label);
    field->addWidget(txtPassword, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(field);
    layout->addLayout(buttons);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    ui::keys(txtPassword).onEnter([this] { common::runGuarded([this] { cmdOK_Click(); }); });
    common::on(cmdOK, &QPushButton::clicked, this, [this](auto &&...) { cmdOK_Click(); });
    common::on(cmdCancel, &QPushButton::clicked, this, [this](auto &&...) { cmdCancel_Click(); });
}

void frmLocPass::formActivate()
{
    txtPassword->clear();
    txtPassword->setFocus(Qt::OtherFocusReason);
}

void frmLocPass::cmdOK_Click()
{
    if (txtPassword->text().isEmpty()) {
        common::info(QStringLiteral("please enter your password"));
        txtPassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Lock passwords are stored hashed; the typed text never reaches SQL.
    if (!shell::checkLockPassword(*gConn, txtPassword->text())) {
        common::info(QStringLiteral("please check your password"));
        txtPassword->clear();
        txtPassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    unload();
    common::Window *target = nullptr;
    try {
        if (gLockAccount) {
            if ((target = common::windows::show(QStringLiteral("frmAccount")))) {
                target->activateWindowNow();
                target->setMaximized();
            }
        } else if (gLockSetMenus) {
            if ((target = common::windows::show(QStringLiteral("frmSecMenus"))))
                target->moveTwips(1000, 600);
        } else if (gLockRemoveData) {
            if ((target = common::windows::show(QStringLiteral("frmRemoveData"))))
                target->moveTwips(1800, 600);
        }
    } catch (...) {
        // The target failed to load, so no unload of its will lower the flag:
        // the menu's gate leaves nothing behind (the picker keeps its own).
        if (!gLockAccount) {
            gLockSetMenus = false;
            gLockRemoveData = false;
            ApplyMenuRights();
        }
        throw;
    }
    // Nothing to open: the home panel comes back rather than an empty frame.
    if (!target)
        ApplyMenuRights();
}

void frmLocPass::cmdCancel_Click()
{
    // Only the account picker's request hides the gate; a menu item's gate
    // (even while the picker's hidden gate is still loaded) goes away.
    if (gLookupMode && gLockAccount) {
        hideWindow();
        return;
    }
    // A gate left without a target leaves no flag behind for the next opener.
    gLockAccount = false;
    gLockSetMenus = false;
    gLockRemoveData = false;
    unload();
    ApplyMenuRights();
}
