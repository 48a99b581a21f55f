#pragma once

#include "framework/FormwellExport.h"
#include "platform/archiving/Archivable.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"

#include <memory>
#include <vector>

// Keys of the fill's own dictionary in an archive.
inline constexpr char kVQGKindKey[] = "VQG_Kind";
inline constexpr char kVQGAngleKey[] = "VQG_Angle";
inline constexpr char kVQGColorsKey[] = "VQG_Colors";
inline constexpr char kVQGWeightsKey[] = "VQG_Weights";

// The text of the range error of the step operations; %d is the count asked for.
inline constexpr char kUnsupportedStepsFormat[] = "Number of steps (%d) is unsupported";

class VQGradientFill;
using VQGradientFillRef = std::shared_ptr<VQGradientFill>;

// An axial or radial gradient of two to five colour steps, each a colour at a
// weight (its place from 0 to 1 along the gradient). A small value object
// owned by the page object that fills with it; its mutators announce
// nothing, the owner stores a changed copy through its own undoable setter.
class FORMWELL_EXPORT VQGradientFill : public Archivable {
public:
    enum Kind { Axial = 0, Radial = 1 };

    // Kind axial, angle 0, drawn flipped, black at 0 and white at 1.
    VQGradientFill();

    static VQGradientFillRef stdFill();
    static int maxSteps() { return 5; }

    // Its own step lists; the flipped flag goes along.
    VQGradientFillRef copy() const;

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

    // Any kind other than 0 is radial.
    int kind() const { return _kind; }
    void setKind(int kind) { _kind = kind; }
    // Degrees clockwise on the screen from the positive x direction, in [0, 360).
    float angle() const { return _angle; }
    void setAngle(float angle);
    // Whether the destination's y axis points down; never archived.
    bool drawsFlipped() const { return _drawsFlipped; }
    void setDrawsFlipped(bool flipped) { _drawsFlipped = flipped; }

    int steps() const { return int(_colors.size()); }
    // Shrinking keeps the first steps and the last one; growing repeats the
    // last. A count outside 2 to 5 raises kRangeException.
    void setSteps(int steps);
    // An index that is no step raises kRangeException.
    Color colorAtStep(int step) const;
    void setColorAtStep(const Color& color, int step);
    float weightAtStep(int step) const;
    void setWeightAtStep(float weight, int step);

    // The colour at a place along the gradient: interpolated in calibrated
    // RGB within the first segment holding it; outside every segment, the
    // last colour.
    Color colorWithWeight(float weight) const;

    // The index is clamped; a sixth step raises kRangeException.
    void insertColorWithWeightAtStep(const Color& color, float weight, int step);
    // The index is clamped; going below two steps raises kRangeException.
    void removeStep(int step);

    // Fills the current clip of the current context with the gradient laid
    // over the rectangle, turned by the degrees about its centre.
    void fillRectRotated(const Rect& rect, float degrees);
    void fillRect(const Rect& rect);
    // The axial gradient's ends for the rectangle: from the corner the
    // direction points into the rectangle from, to the line through the
    // opposite corner at right angles to it.
    void calculateAxialStartPtEndPtForRect(Point* start, Point* end, const Rect& rect) const;

    // Same kind, angle and steps; the drawing flag is not part of the value.
    friend bool operator==(const VQGradientFill& a, const VQGradientFill& b) {
        return a._kind == b._kind && a._angle == b._angle && a._colors == b._colors &&
               a._weights == b._weights;
    }

private:
    void setDefaultSteps();
    void checkStep(int step) const;

    int _kind = Axial;
    float _angle = 0;
    std::vector<Color> _colors;
    std::vector<float> _weights;
    bool _drawsFlipped = true;
};

// The shading's colour function: `info` is the fill, `in` one value, `out`
// receives red, green, blue and alpha.
FORMWELL_EXPORT void VQCalcGradientColor(void* info, const float* in, float* out);
