#pragma once

#include <QWidget>

namespace umbraxis {

// A label drawn straight onto a screen's picture: its text wraps between
// words at the label's right edge and breaks at the line ends it holds, tabs
// are expanded, and what does not fit the label is cut off. An ampersand
// marks the next character (drawn underlined and not itself shown); two
// ampersands show one.
class PictureLabel : public QWidget {
    Q_OBJECT
public:
    explicit PictureLabel(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_colour = Qt::white;
};

} // namespace umbraxis
