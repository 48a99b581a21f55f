#include "photoview/CropGeometry.h"

#include "utilities/GeometryUtilities.h"

#include <algorithm>
#include <cmath>

namespace CropGeometry {

namespace {

constexpr float kHalfKnob = kKnobSize / 2;

bool inUse(int knob, int mask) {
    return (mask & (1 << knob)) != 0;
}

Rect knobSquare(const Rect& crop, int knob) {
    const Point p = knobPoint(crop, knob);
    return {p.x - kHalfKnob, p.y - kHalfKnob, kKnobSize, kKnobSize};
}

bool isLeftKnob(int k) {
    return k == 1 || k == 4 || k == 6;
}
bool isRightKnob(int k) {
    return k == 3 || k == 5 || k == 8;
}
bool isBottomKnob(int k) {
    return k == 1 || k == 2 || k == 3;
}
bool isTopKnob(int k) {
    return k == 6 || k == 7 || k == 8;
}

// A ratio that is no number constrains nothing.
bool constrains(float ratio) {
    return std::isfinite(ratio) && ratio > 0;
}

} // namespace

Point knobPoint(const Rect& c, int knob) {
    const float x = c.minX();
    const float y = c.minY();
    const float w = c.width();
    const float h = c.height();
    switch (knob) {
    case 1:
        return {x, y};
    case 2:
        return {x + w / 2, y};
    case 3:
        return {x + w, y};
    case 4:
        return {x, y + h / 2};
    case 5:
        return {x + w, y + h / 2};
    case 6:
        return {x, y + h};
    case 7:
        return {x + w / 2, y + h};
    case 8:
        return {x + w, y + h};
    default:
        return kZeroPoint;
    }
}

int flipCropKnob(int knob, bool horizontal) {
    static constexpr int kHorizontal[9] = {0, 3, 2, 1, 5, 4, 8, 7, 6};
    static constexpr int kVertical[9] = {0, 6, 7, 8, 4, 5, 1, 2, 3};
    if (knob < 0 || knob > 8)
        return 0;
    return horizontal ? kHorizontal[knob] : kVertical[knob];
}

int cropKnobUnderPoint(Point point, const Rect& crop, int knobMask) {
    for (int knob : {3, 1, 2, 4, 5, 6, 7, 8})
        if (inUse(knob, knobMask) && pointInRect(point, knobSquare(crop, knob)))
            return knob;
    return 0;
}

Point clampPointToRect(Point p, const Rect& frame) {
    return {std::clamp(p.x, frame.minX(), std::max(frame.minX(), frame.maxX())),
            std::clamp(p.y, frame.minY(), std::max(frame.minY(), frame.maxY()))};
}

Rect pushRectInside(Rect r, const Rect& frame) {
    if (r.maxX() > frame.maxX())
        r.origin.x -= r.maxX() - frame.maxX();
    else if (r.minX() < frame.minX())
        r.origin.x = frame.minX();
    if (r.maxY() > frame.maxY())
        r.origin.y -= r.maxY() - frame.maxY();
    else if (r.minY() < frame.minY())
        r.origin.y = frame.minY();
    return r;
}

Rect constrainedRect(const Rect& r, float q, const Rect& frame) {
    if (!constrains(q))
        return r;
    Size s = q > 1 ? Size{r.height() / q, r.height()} : Size{r.width(), r.width() * q};
    s.width = std::min(s.width, frame.width());
    s.height = std::min(s.height, frame.height());
    Rect c = pushRectInside(UTCenterRectOnPoint({kZeroPoint, s}, r.center()), frame);
    if (c.height() > q * c.width())
        c.size.height = q * c.width();
    else
        c.size.width = std::min(c.height() / q, c.width());
    return c;
}

ResizeStep resizeCrop(const Rect& crop, int k, Point p, float q, const Rect& frame) {
    float x = crop.minX();
    float y = crop.minY();
    float w = crop.width();
    float h = crop.height();
    const bool none = !constrains(q);

    if (isLeftKnob(k) && (none || q <= 1)) {
        w = w + x - p.x;
        x = p.x;
        if (!none) {
            const float h2 = w * q;
            if (k != 6)
                y = y - (h2 - h);
            h = h2;
        }
    } else if (isRightKnob(k) && (none || q <= 1)) {
        w = p.x - x;
        if (!none) {
            const float h2 = w * q;
            if (k != 8)
                y = y - (h2 - h);
            h = h2;
        }
    }
    if (w < 0) {
        k = flipCropKnob(k, true);
        w = -w;
        x = x - w;
    }

    if (isBottomKnob(k) && (none || q >= 1)) {
        h = h + y - p.y;
        if (!none) {
            const float w2 = h / q;
            if (k == 1)
                x = x - (w2 - w);
            w = w2;
        }
        y = p.y;
    } else if (isTopKnob(k) && (none || q >= 1)) {
        h = p.y - y;
        if (!none) {
            const float w2 = h / q;
            if (k == 6)
                x = x - (w2 - w);
            w = w2;
        }
    }
    if (h < 0) {
        k = flipCropKnob(k, false);
        h = -h;
        y = y - h;
    }

    w = std::min(w, frame.width());
    h = std::min(h, frame.height());
    const Rect pushed = pushRectInside({x, y, w, h}, frame);
    return {constrainedRect(pushed, q, frame), k};
}

QList<CursorRect> cursorRects(const Rect& imageFrame, const Rect& c, bool creating,
                              const Rect& clip, int knobMask) {
    QList<CursorRect> all;
    if (c.isEmpty()) {
        all.append({imageFrame, Cursor::Cross});
    } else {
        const float x = c.minX();
        const float y = c.minY();
        const float w = c.width();
        const float h = c.height();
        const float b = kHalfKnob;
        const Cursor inside = creating ? Cursor::Resize : Cursor::Grab;
        for (int knob = 1; knob <= 8; ++knob)
            if (inUse(knob, knobMask))
                all.append({knobSquare(c, knob), Cursor::Resize});
        all.append({insetRect(c, b, b), inside});
        // Along each edge, the strips between the knob squares: inside the crop
        // they act as the crop, outside as the image around it.
        const float ys[2][2] = {{y + b, y + h / 2 - b}, {y + h / 2 + b, y + h - b}};
        const float xs[2][2] = {{x + b, x + w / 2 - b}, {x + w / 2 + b, x + w - b}};
        for (const auto& strip : ys) {
            const float sh = strip[1] - strip[0];
            all.append({{x, strip[0], b, sh}, inside});
            all.append({{x + w - b, strip[0], b, sh}, inside});
            all.append({{x - b, strip[0], b, sh}, Cursor::Cross});
            all.append({{x + w, strip[0], b, sh}, Cursor::Cross});
        }
        for (const auto& strip : xs) {
            const float sw = strip[1] - strip[0];
            all.append({{strip[0], y, sw, b}, inside});
            all.append({{strip[0], y + h - b, sw, b}, inside});
            all.append({{strip[0], y - b, sw, b}, Cursor::Cross});
            all.append({{strip[0], y + h, sw, b}, Cursor::Cross});
        }
        const Rect& f = imageFrame;
        all.append({{f.minX(), f.minY(), x - b - f.minX(), f.height()}, Cursor::Cross});
        all.append({{x + w + b, f.minY(), f.maxX() - (x + w + b), f.height()}, Cursor::Cross});
        all.append({{x, f.minY(), w, y - b - f.minY()}, Cursor::Cross});
        all.append({{x, y + h + b, w, f.maxY() - (y + h + b)}, Cursor::Cross});
    }
    QList<CursorRect> kept;
    for (const CursorRect& r : all) {
        const Rect cut = r.rect.isEmpty() ? kZeroRect : intersectionRect(r.rect, clip);
        if (!cut.isEmpty())
            kept.append({cut, r.cursor});
    }
    return kept;
}

Cursor cursorAtPoint(Point point, const QList<CursorRect>& rects) {
    for (const CursorRect& r : rects)
        if (pointInRect(point, r.rect))
            return r.cursor;
    return Cursor::None;
}

} // namespace CropGeometry
