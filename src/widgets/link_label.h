#pragma once

// Qt
#include <QLabel>

// std
#include <functional>

class QMouseEvent;

namespace quillbox::widgets {

// A label that reads as a web link: blue plain text and a pointing hand over
// it. A click on it (press and release over the label) runs `clicked`.
class LinkLabel final : public QLabel {
public:
    LinkLabel(const QString& text, QWidget* parent, std::function<void()> clicked);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> clicked_;
};

}  // namespace quillbox::widgets
