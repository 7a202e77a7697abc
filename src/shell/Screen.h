#pragma once

#include "platform/Services.h"

#include <QPixmap>
#include <QWidget>

namespace umbraxis {

// A borderless full-window picture screen: black, not resizable, with a
// background picture drawn at its top-left corner on every paint.
class Screen : public QWidget {
    Q_OBJECT
public:
    Screen(const Services& services, const QSize& size, QWidget* parent = nullptr);

    const Services& services() const { return m_services; }
    const QPixmap& background() const { return m_background; }

protected:
    // Loads a picture; raises "Cannot open file %s" when it cannot.
    QPixmap loadPicture(const QString& path) const;
    void setBackground(const QPixmap& picture);
    void setBlackBackground();

    void paintEvent(QPaintEvent* event) override;

private:
    const Services& m_services;
    QPixmap m_background;
};

} // namespace umbraxis
