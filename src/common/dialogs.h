#pragma once
// One seam for message boxes and file dialogs, so tests can script them.
#include <QPoint>
#include <QString>

#include <functional>

class QAction;
class QMenu;

namespace common {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// The program's own title, used on message boxes.
QString programTitle();

// A message box. `title` empty means the program's title.
Answer msgBox(
    const QString &text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None, const QString &title = {});
// Style as a sum of button and icon codes: 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel,
// 4 Yes/No; +16 critical, +32 question, +48 exclamation, +64 information.
Answer msgBox(const QString &text, int style, const QString &title = {});

inline void info(const QString &text)
{
    msgBox(text, Buttons::Ok, Icon::Information);
}
inline bool askYesNo(const QString &text, const QString &title = {}, Icon icon = Icon::None)
{
    return msgBox(text, Buttons::YesNo, icon, title) == Answer::Yes;
}

// File dialog for saving; returns an empty text when cancelled.
QString saveFileName(const QString &caption, const QString &suggested, const QString &filter);

// Pops up a context menu at a screen position and returns the chosen action
// (already triggered), or nullptr when the menu was dismissed.
QAction *popupMenu(QMenu *menu, const QPoint &globalPos);

namespace dialogs {

struct Shown {
    QString text;
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

// Tests install a handler: it records what was shown and gives the answer.
// nullptr restores the real boxes.
using Handler = std::function<Answer(const Shown &)>;
void setHandler(Handler handler);
using FileHandler = std::function<QString(const QString &caption, const QString &suggested)>;
void setFileHandler(FileHandler handler);
// Chooses an action of the menu, or nullptr for none.
using MenuHandler = std::function<QAction *(QMenu *menu)>;
void setMenuHandler(MenuHandler handler);

} // namespace dialogs
} // namespace common
