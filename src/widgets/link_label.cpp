// own
#include "widgets/link_label.h"

// Qt
#include <QMouseEvent>
#include <QPalette>

// std
#include <utility>

namespace quillbox::widgets {

LinkLabel::LinkLabel(const QString& text, QWidget* parent, std::function<void()> clicked)
    : QLabel(parent), clicked_(std::move(clicked))
{
    setTextFormat(Qt::PlainText);
    setText(text);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    setPalette(blue);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // The release comes to the label that took the press, wherever it is.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        clicked_();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace quillbox::widgets
