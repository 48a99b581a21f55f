#include "framework/model/TMCloudPath.h"

#include "platform/foundation/Random.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

Rect TMRandomizeRect(const Rect& r) {
    const int r1 = Random::random16();
    const int r2 = Random::random16();
    return insetRect(r, r.width() * 0.05f * float(std::abs(r1)) / 32767.0f,
                     r.height() * 0.05f * float(std::abs(r2)) / 32767.0f);
}

double TMCloudCellSize(double side, double puff) {
    // A side shorter than one puff still gets one, else the step is endless.
    return side / std::max(1.0, std::floor(side / puff));
}

BezierPath TMCloudOfCellsInRect(const Rect& r, double sx, double sy) {
    BezierPath path;
    const double W = r.width(), H = r.height();
    if (!(W > 0 && H > 0 && sx > 0 && sy > 0))
        return path;
    const double X = r.minX(), Y = r.minY(), maxX = X + W, maxY = Y + H;
    const double a = 0.75 * sx, b = 0.75 * sy;
    auto puff = [&path](double x, double y, double w, double h) {
        path.appendBezierPathWithOvalInRect(
            TMRandomizeRect(Rect(float(x), float(y), float(w), float(h))));
    };
    for (double x = X + sx; x < maxX - sx - 1; x += sx) {
        puff(x, Y, sx, sy);
        puff(x, maxY - sy, sx, sy);
    }
    for (double x = X + sx - a / 2; x < maxX - a - 1; x += sx) {
        puff(x, Y + 0.05 * sy, a, b);
        puff(x, maxY - b - 0.05 * sy, a, b);
    }
    for (double y = Y + sy; y < maxY - sy - 1; y += sy) {
        puff(X, y, sx, sy);
        puff(maxX - sx, y, sx, sy);
    }
    for (double y = Y + sy - b / 2; y < maxY - b - 1; y += sy) {
        puff(X + 0.05 * sx, y, a, b);
        puff(maxX - a - 0.05 * sx, y, a, b);
    }
    const double cw = 0.8 * sx, ch = 0.8 * sy;
    puff(X + 0.2 * sx, Y + 0.2 * sy, cw, ch);
    puff(X + 0.2 * sx, maxY - sy, cw, ch);
    puff(maxX - sx, Y + 0.2 * sy, cw, ch);
    puff(maxX - sx, maxY - sy, cw, ch);
    path.appendBezierPathWithRect(insetRect(r, float(0.6 * sx), float(0.6 * sy)));
    return path;
}
