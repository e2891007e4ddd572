#include "common/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace common {

namespace {

dialogs::Handler &handler()
{
    static dialogs::Handler h;
    return h;
}

dialogs::FileHandler &fileHandler()
{
    static dialogs::FileHandler h;
    return h;
}

dialogs::MenuHandler &menuHandler()
{
    static dialogs::MenuHandler h;
    return h;
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

Answer realBox(const dialogs::Shown &s)
{
    QMessageBox box(qtIcon(s.icon), s.title, s.text, QMessageBox::NoButton, QApplication::activeWindow());
    switch (s.buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Escape or the close box on a Yes/No box counts as No.
        return s.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

} // namespace

QString programTitle()
{
    return QStringLiteral("ORU Accounts");
}

Answer msgBox(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    const dialogs::Shown s {text, title.isEmpty() ? programTitle() : title, buttons, icon};
    if (handler())
        return handler()(s);
    return realBox(s);
}

Answer msgBox(const QString &text, int style, const QString &title)
{
    Buttons buttons = Buttons::Ok;
    switch (style & 7) {
    case 1:
    case 2: // Abort/Retry/Ignore and Retry/Cancel: the nearest we offer
    case 5:
        buttons = Buttons::OkCancel;
        break;
    case 3:
        buttons = Buttons::YesNoCancel;
        break;
    case 4:
        buttons = Buttons::YesNo;
        break;
    default:
        break;
    }
    Icon icon = Icon::None;
    switch (style & 0x70) {
    case 16:
        icon = Icon::Critical;
        break;
    case 32:
        icon = Icon::Question;
        break;
    case 48:
        icon = Icon::Exclamation;
        break;
    case 64:
        icon = Icon::Information;
        break;
    default:
        break;
    }
    return msgBox(text, buttons, icon, title);
}

QString saveFileName(const QString &caption, const QString &suggested, const QString &filter)
{
    if (fileHandler())
        return fileHandler()(caption, suggested);
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, suggested, filter);
}

QAction *popupMenu(QMenu *menu, const QPoint &globalPos)
{
    if (!menuHandler())
        return menu->exec(globalPos);
    QAction *chosen = menuHandler()(menu);
    if (!chosen || !chosen->isEnabled() || !chosen->isVisible())
        return nullptr;
    chosen->trigger();
    return chosen;
}

namespace dialogs {

void setHandler(Handler h)
{
    handler() = std::move(h);
}

void setFileHandler(FileHandler h)
{
    fileHandler() = std::move(h);
}

void setMenuHandler(MenuHandler h)
{
    menuHandler() = std::move(h);
}

} // namespace dialogs
} // namespace common
