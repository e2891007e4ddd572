// The main window's home panel: the emblem, the titles, the picture buttons
// and the status strip with the user and the clock.
#include "shell/MDIForm1.h"

#include "common/errors.h"
#include "common/hooks.h"
#include "platform/ui/animation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMdiArea>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The home panel: a calm gradient behind the emblem, the titles and the status strip.
class HomePanel : public QWidget {
public:
    explicit HomePanel(QWidget *parent)
        : QWidget(parent)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, width(), height());
        g.setColorAt(0, QColor(18, 40, 82));
        g.setColorAt(1, QColor(28, 92, 120));
        p.fillRect(rect(), g);
        // A faint ledger ruling across the panel.
        p.setPen(QColor(255, 255, 255, 14));
        for (int y = 24; y < height(); y += 24)
            p.drawLine(0, y, width(), y);
    }
};

// The two decorative picture buttons: a ledger book and a bar chart.
QIcon pictureIcon(bool chart)
{
    QPixmap pm(56, 56);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(2, 2, 52, 52), 12, 12);
    if (chart) {
        p.setBrush(QColor(240, 190, 60));
        const int heights[] = {14, 26, 20, 34};
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(11 + i * 9, 44 - heights[i], 6, heights[i]));
        p.setPen(QPen(QColor(255, 255, 255, 200), 2));
        p.drawLine(9, 45, 47, 45);
    } else {
        p.setBrush(QColor(250, 244, 228));
        p.drawRoundedRect(QRectF(11, 12, 16, 32), 2, 2);
        p.drawRoundedRect(QRectF(29, 12, 16, 32), 2, 2);
        p.setPen(QPen(QColor(36, 72, 140), 1.5));
        for (int y = 19; y < 42; y += 5) {
            p.drawLine(QPointF(14, y), QPointF(25, y));
            p.drawLine(QPointF(32, y), QPointF(43, y));
        }
    }
    return QIcon(pm);
}

QLabel *panelLabel(const QString &name, const QString &text, int pixelSize, bool bold, const QColor &color)
{
    auto *l = new QLabel(text);
    l->setObjectName(name);
    QFont f = l->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    return l;
}

// The two picture buttons in a row.
QHBoxLayout *pictureButtons()
{
    auto *pictures = new QHBoxLayout;
    pictures->setSpacing(14);
    const char *tips[] = {"Books of account", "Reports"};
    for (int i = 0; i < 2; ++i) {
        auto *b = new QToolButton;
        b->setObjectName(QStringLiteral("Picture%1").arg(i + 2));
        b->setIcon(pictureIcon(i == 1));
        b->setIconSize(QSize(56, 56));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(QLatin1String(tips[i]));
        pictures->addWidget(b);
    }
    pictures->addStretch();
    return pictures;
}

// The titles over the picture buttons.
QVBoxLayout *homeTitles()
{
    const QColor gold(240, 200, 90);
    QLabel *computerized
        = panelLabel(QStringLiteral("lblComputerized"), QStringLiteral("COMPUTERIZED "), 22, true, gold);
    QFont spaced = computerized->font();
    spaced.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    computerized->setFont(spaced);
    QLabel *management = panelLabel(QStringLiteral("lblAccountsManagement"),
        QStringLiteral("ACCOUNTS  MANAGEMENT"), 40, true, QColor(255, 255, 255));
    QLabel *institute = panelLabel(QStringLiteral("lblInstitute"),
        QStringLiteral("Catalogue, admissions, fees and double-entry books of the institute"), 15, false,
        QColor(200, 216, 236));

    auto *titles = new QVBoxLayout;
    titles->setSpacing(6);
    titles->addStretch();
    titles->addWidget(computerized);
    titles->addWidget(management);
    titles->addSpacing(4);
    titles->addWidget(institute);
    titles->addSpacing(18);
    titles->addLayout(pictureButtons());
    titles->addStretch();
    return titles;
}

// The strip across the foot with `left` and `right` at its ends.
QWidget *statusStrip(QLabel *left, QLabel *right)
{
    auto *strip = new QWidget;
    strip->setObjectName(QStringLiteral("statusStrip"));
    strip->setAutoFillBackground(true);
    QPalette stripPal = strip->palette();
    stripPal.setColor(QPalette::Window, QColor(10, 24, 52, 200));
    strip->setPalette(stripPal);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(18, 8, 18, 8);
    stripLayout->addWidget(left);
    stripLayout->addStretch();
    stripLayout->addWidget(right);
    return strip;
}

} // namespace

void MDIForm1::buildHomePanel()
{
    m_picture1 = new HomePanel(m_area->viewport());
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_area->viewport()->installEventFilter(this);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(500);
    common::on(m_timer1, &QTimer::timeout, this, [this](auto &&...) { Timer1_Timer(); });
    m_timer1->start();

    m_flashVOLogo = new ui::Animation;
    m_flashVOLogo->setObjectName(QStringLiteral("flashVOLogo"));
    m_flashVOLogo->setFixedSize(240, 240);

    auto *centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(m_flashVOLogo, 0, Qt::AlignVCenter);
    centre->addSpacing(40);
    centre->addLayout(homeTitles());
    centre->addStretch(1);

    const QColor white(255, 255, 255);
    m_lblTitle = panelLabel(QStringLiteral("lblTitle"), QStringLiteral("Login"), 15, true, white);
    m_lblDate = panelLabel(QStringLiteral("lblDate"), QStringLiteral("Date & Time"), 15, false, white);
    m_lblDate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *panel = new QVBoxLayout(m_picture1);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addStretch(1);
    panel->addLayout(centre);
    panel->addStretch(1);
    panel->addWidget(statusStrip(m_lblTitle, m_lblDate));
    m_picture1->lower();
}
