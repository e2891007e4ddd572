#include "platform/ui/animation.h"

#include <QFileInfo>
#include <QMovie>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QtMath>

namespace ui {

namespace {
constexpr int stepMs = 40;
constexpr int stepsPerTurn = 150; // one sweep every six seconds
} // namespace

Animation::Animation(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(stepMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % (stepsPerTurn * 4);
        update();
    });
    setMinimumSize(80, 80);
}

Animation::~Animation() = default;

void Animation::setMovie(const QString &path)
{
    m_path = path;
    stop();
    delete m_movie;
    m_movie = nullptr;
    if (QFileInfo(path).isFile()) {
        auto *movie = new QMovie(path, QByteArray(), this);
        if (movie->isValid()) {
            m_movie = movie;
            m_movie->setCacheMode(QMovie::CacheAll);
            connect(m_movie, &QMovie::frameChanged, this, [this] { update(); });
        } else {
            delete movie;
        }
    }
    if (isVisible())
        start();
    update();
}

bool Animation::playsMovie() const
{
    return m_movie != nullptr;
}

void Animation::start()
{
    if (m_movie)
        m_movie->start();
    else
        m_timer->start();
}

void Animation::stop()
{
    if (m_movie)
        m_movie->stop();
    m_timer->stop();
}

void Animation::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    start();
}

void Animation::hideEvent(QHideEvent *event)
{
    stop();
    QWidget::hideEvent(event);
}

void Animation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_movie) {
        const QPixmap frame = m_movie->currentPixmap();
        if (!frame.isNull()) {
            const QPixmap scaled = frame.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            p.drawPixmap((width() - scaled.width()) / 2, (height() - scaled.height()) / 2, scaled);
        }
        return;
    }

    // The emblem: a disc with a sweeping arc round it and the letters ORU.
    const qreal side = qMin(width(), height()) - 8;
    if (side <= 0)
        return;
    const QRectF disc((width() - side) / 2, (height() - side) / 2, side, side);
    const qreal t = qreal(m_phase % stepsPerTurn) / stepsPerTurn;

    QRadialGradient fill(disc.center(), side / 2);
    fill.setColorAt(0, QColor(36, 72, 140));
    fill.setColorAt(1, QColor(14, 32, 72));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(disc.adjusted(side * 0.08, side * 0.08, -side * 0.08, -side * 0.08));

    const qreal ring = side * 0.05;
    const QRectF arcRect = disc.adjusted(ring, ring, -ring, -ring);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 210, 230, 60), ring * 0.6));
    p.drawEllipse(arcRect);
    // The arc grows for half a turn and shrinks for the other half while it circles.
    const qreal span = 40 + 220 * (0.5 - 0.5 * qCos(2 * M_PI * t));
    const int start = int(-360 * t * 16);
    QConicalGradient sweep(disc.center(), -360 * t);
    sweep.setColorAt(0, QColor(240, 190, 60));
    sweep.setColorAt(0.5, QColor(250, 230, 150));
    sweep.setColorAt(1, QColor(240, 190, 60));
    p.setPen(QPen(QBrush(sweep), ring, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(arcRect, start, int(span * 16));

    QFont f = font();
    f.setBold(true);
    f.setPixelSize(qMax(8, int(side * 0.26)));
    f.setLetterSpacing(QFont::PercentageSpacing, 110);
    p.setFont(f);
    const qreal glow = 0.75 + 0.25 * qSin(2 * M_PI * qreal(m_phase) / (stepsPerTurn * 2));
    p.setPen(QColor::fromRgbF(1, 1, 1, glow));
    p.drawText(disc, Qt::AlignCenter, QStringLiteral("ORU"));
}

} // namespace ui
