#include "window/Twips.h"

#include <QScreen>

#include "core/NumberText.h"

namespace rimvista {

TwipsPerPixel twipsPerPixel(const QScreen* screen) {
    if (!screen) return {};
    return {static_cast<float>(1440.0 / screen->logicalDotsPerInchX()),
            static_cast<float>(1440.0 / screen->logicalDotsPerInchY())};
}

int twipsToPixels(double twips, float perPixel) {
    return static_cast<int>(num::nearest(twips / perPixel));
}

QRect twipsToPixels(const QRectF& twips, const TwipsPerPixel& scale) {
    return QRect(twipsToPixels(twips.x(), scale.x), twipsToPixels(twips.y(), scale.y),
                 twipsToPixels(twips.width(), scale.x), twipsToPixels(twips.height(), scale.y));
}

}  // namespace rimvista
