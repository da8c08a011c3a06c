#pragma once
// The window icon and the banner in the top-right corner, drawn at run time so the
// program ships no binary assets.

#include <QIcon>
#include <QPixmap>

namespace app {

QIcon windowIcon();      // 32 x 32
QPixmap bannerPixmap();  // 188 x 125: the product name in red on a blue gradient

}  // namespace app
