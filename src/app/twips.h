#pragma once
// The windows are laid out in twips (1440 to the inch); at 96 dots per inch that is 15
// twips to a logical pixel. Qt scales logical pixels on high-DPI screens.

#include <QFont>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace app {

constexpr int twipsToPx(int twips) {
    return (twips + 7) / 15;
}

inline QRect tw(int left, int top, int width, int height) {
    return QRect(twipsToPx(left), twipsToPx(top), twipsToPx(width), twipsToPx(height));
}

// "宋体" with the GB2312 character set; on systems without SimSun the first installed
// CJK family takes its place, so the captions render as text, not boxes.
inline QFont songFont(double pointSize) {
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN")});
    f.setPointSizeF(pointSize);
    return f;
}

// Both windows open in the middle of the screen.
inline void centreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        QRect frame(QPoint(), window->sizeHint().expandedTo(window->size()));
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

}  // namespace app
