#include "shell/frmLogin.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "platform/ui/animation.h"
#include "platform/ui/keys.h"
#include "shell/shell.h"
#include "shell/shellrules.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// The decoration beside the fields: a deep blue picture behind the emblem.
class LogoPanel : public QWidget {
public:
    LogoPanel() { setFixedWidth(230); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(18, 40, 82));
        g.setColorAt(1, QColor(28, 92, 120));
        p.fillRect(rect(), g);
        p.setPen(QColor(255, 255, 255, 16));
        for (int y = 20; y < height(); y += 20)
            p.drawLine(0, y, width(), y);
    }
};

QLabel *fieldLabel(const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

} // namespace

frmLogin::frmLogin()
    : common::Window(QStringLiteral("frmLogin"))
    , cboUsers(new QComboBox)
    , txtPassword(new QLineEdit)
    , txtServer(new QLineEdit(QStringLiteral(".")))
    , cmdLogIn(new QPushButton(QStringLiteral("&Login")))
    , cmdCancel(new QPushButton(QStringLiteral("E&xit")))
    , flashVOLogo(new ui::Animation)
{
    setStandalone(true);
    setWindowTitle(QStringLiteral("Log In:-"));
    setUpControls();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(logoPanel());
    layout->addLayout(fieldsColumn());
    setFixedSize(sizeHint().expandedTo(QSize(600, 300)));
    setTabOrder(cboUsers, txtPassword);
    setTabOrder(txtPassword, txtServer);
    setTabOrder(txtServer, cmdLogIn);
    setTabOrder(cmdLogIn, cmdCancel);
    connectControls();
}

void frmLogin::setUpControls()
{
    cboUsers->setObjectName(QStringLiteral("cboUsers"));
    cboUsers->setEditable(true);
    cboUsers->setInsertPolicy(QComboBox::NoInsert);
    // A typed name keeps the letter case it was typed in.
    cboUsers->completer()->setCaseSensitivity(Qt::CaseSensitive);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    txtServer->setObjectName(QStringLiteral("txtServer"));
    cmdLogIn->setObjectName(QStringLiteral("cmdLogIn"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    flashVOLogo->setObjectName(QStringLiteral("flashVOLogo"));
    flashVOLogo->setFixedSize(170, 170);
    for (QWidget *box : {static_cast<QWidget *>(cboUsers), static_cast<QWidget *>(txtPassword),
             static_cast<QWidget *>(txtServer)})
        box->setMinimumWidth(230);
    cmdLogIn->setDefault(true);
    cmdLogIn->setMinimumWidth(96);
    cmdCancel->setMinimumWidth(96);
}

QWidget *frmLogin::logoPanel()
{
    auto *logo = new LogoPanel;
    auto *logoLayout = new QVBoxLayout(logo);
    logoLayout->addStretch();
    logoLayout->addWidget(flashVOLogo, 0, Qt::AlignCenter);
    auto *brand = new QLabel(QStringLiteral("ORU Accounts"));
    brand->setAlignment(Qt::AlignCenter);
    brand->setStyleSheet(QStringLiteral("color: rgb(240, 200, 90); font-weight: bold; font-size: 15px;"));
    logoLayout->addSpacing(8);
    logoLayout->addWidget(brand);
    logoLayout->addStretch();
    return logo;
}

QBoxLayout *frmLogin::fieldsColumn()
{
    auto *heading = new QLabel(QStringLiteral("Log In"));
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont hf = heading->font();
    hf.setPixelSize(26);
    hf.setBold(true);
    heading->setFont(hf);
    auto *hint = new QLabel(QStringLiteral("Sign in with your server login."));
    hint->setStyleSheet(QStringLiteral("color: palette(mid);"));

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    form->addRow(fieldLabel(QStringLiteral("User ID:"), cboUsers), cboUsers);
    form->addRow(fieldLabel(QStringLiteral("Password:"), txtPassword), txtPassword);
    form->addRow(fieldLabel(QStringLiteral("Server:"), txtServer), txtServer);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdLogIn);
    buttons->addWidget(cmdCancel);

    auto *right = new QVBoxLayout;
    right->setContentsMargins(28, 24, 28, 22);
    right->addWidget(heading);
    right->addWidget(hint);
    right->addSpacing(16);
    right->addLayout(form);
    right->addStretch();
    right->addSpacing(12);
    right->addLayout(buttons);
    return right;
}

void frmLogin::connectControls()
{
    // Enter in the user box only moves on; Enter in the password box logs in.
    ui::keys(cboUsers).onEnter([this] { txtPassword->setFocus(Qt::TabFocusReason); });
    ui::keys(txtPassword).onEnter([this] { common::runGuarded([this] { cmdLogIn_Click(); }); });
    common::on(cmdLogIn, &QPushButton::clicked, this, [this](auto &&...) { cmdLogIn_Click(); });
    common::on(cmdCancel, &QPushButton::clicked, this, [this](auto &&...) { cmdCancel_Click(); });
}

void frmLogin::formLoad()
{
    flashVOLogo->setMovie(QDir(common::appPath()).filePath(QStringLiteral("vo.swf")));
    cboUsers->addItem(QStringLiteral("sa"));
    cboUsers->setEditText(QStringLiteral("sa"));
    // Without a readable Server.txt the box keeps "." (the local server).
    if (const auto server
        = shell::readServerName(QDir(common::appPath()).filePath(QStringLiteral("Server.txt"))))
        txtServer->setText(*server);
}

void frmLogin::cmdLogIn_Click()
{
    try {
        common::createSharedObjects();
        if (gConn->state() == 1)
            gConn->close();
        gConn->provider = QStringLiteral("SQLOLEDB.1");
        gConn->setProperty(QStringLiteral("User ID"), cboUsers->currentText());
        gConn->setProperty(QStringLiteral("Password"), txtPassword->text());
        gConn->setProperty(QStringLiteral("Data Source"), txtServer->text());
        gConn->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
        gConn->open();
        gUserName = cboUsers->currentText();
        gUserPassword = txtPassword->text();
        if (!common::windows::show(QStringLiteral("MDIForm1")))
            throw std::runtime_error("The main window could not be opened.");
        m_loggedIn = true;
        unload();
    } catch (const std::exception &e) {
        common::msgBox(QString::fromUtf8(e.what()), common::Buttons::Ok, common::Icon::Critical,
            QStringLiteral("Login Error"));
        txtPassword->setFocus(Qt::OtherFocusReason);
        txtPassword->setSelection(0, int(txtPassword->text().size()));
    }
}

void frmLogin::cmdCancel_Click()
{
    hide();
    shell::endProgram();
}

void frmLogin::closeEvent(QCloseEvent *event)
{
    common::Window::closeEvent(event);
    // Closing the login by its close box leaves no window: the program ends.
    if (!m_loggedIn)
        shell::endProgram();
}
