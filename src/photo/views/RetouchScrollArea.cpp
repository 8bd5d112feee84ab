#include "photo/views/RetouchScrollArea.h"

#include <QEvent>

namespace quavel {

RetouchScrollArea::RetouchScrollArea(QWidget* content, QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setWidget(content);
    // setWidget turns the content's background on; the panel's ground must show through.
    content->setAutoFillBackground(false);
    // The content's height changes as groups open and close; the area asks again each time.
    content->installEventFilter(this);
}

void RetouchScrollArea::setMaximumHintHeight(int height)
{
    m_maximumHintHeight = height;
    updateGeometry();
}

QSize RetouchScrollArea::sizeHint() const
{
    const QSize content = widget() ? widget()->sizeHint() : QSize();
    return QSize(content.width(), std::min(content.height(), m_maximumHintHeight));
}

QSize RetouchScrollArea::minimumSizeHint() const
{
    const QSize content = widget() ? widget()->minimumSizeHint() : QSize();
    return QSize(content.width(), 0);
}

bool RetouchScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

} // namespace quavel
