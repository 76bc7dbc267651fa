// lib/presentation/vyAnimationEffectGeometry.h
// The outlines of the animation effects, step by step, free of Windows: 2-D affine geometry
// in single precision, the five effects' polygons in whole pixels, the order in which the
// steps are drawn and erased, and the pacing of one pause.
#pragma once

#include <cstdint>
#include <vector>

enum class TvyAnimationEffectType { etRandom, etSpin, etVortex, etScatterGather, etSpike, etFireworks };

struct TvyPointF {
    float X = 0, Y = 0;
};

// A row-vector affine transform: x' = x*M11 + y*M21 + M31, y' = x*M12 + y*M22 + M32.
struct TvyMatrix {
    float M11 = 1, M12 = 0, M21 = 0, M22 = 1, M31 = 0, M32 = 0;

    static TvyMatrix Translation(float tx, float ty);
    static TvyMatrix Scaling(float sx, float sy, TvyPointF about);
    // Positive angles turn clockwise on screen (y grows downwards).
    static TvyMatrix Rotation(float theta, TvyPointF about);
    // a*m + (1 - a)*n, element by element.
    static TvyMatrix Lerp(float a, const TvyMatrix& m, const TvyMatrix& n);
};

// This transform followed by then.
TvyMatrix operator*(const TvyMatrix& first, const TvyMatrix& then);
TvyPointF operator*(TvyPointF p, const TvyMatrix& m);

struct TvyPixel {
    int X = 0, Y = 0;
    bool operator==(const TvyPixel&) const = default;
};
// A closed outline: drawn from the first point through the rest and back to the first.
using TvyPolygon = std::vector<TvyPixel>;

// The outlines of one effect for one window rectangle, prepared once and drawn per step.
class TvyEffectGeometry {
public:
    // effect: one of the five effects (not etRandom); steps at least 1.
    TvyEffectGeometry(TvyAnimationEffectType effect, int left, int top, int width, int height, int steps,
                      int fireworkBlasts);

    TvyAnimationEffectType Effect() const noexcept { return FEffect; }
    int Steps() const noexcept { return FSteps; }
    // The polygons of step k (0..Steps); outlines that would draw nothing are left out.
    std::vector<TvyPolygon> Step(int k) const;
    // Where the spike triangles and the blasts start (their circle's points).
    const std::vector<TvyPointF>& StartPoints() const noexcept { return FStarts; }

private:
    void AddPolygon(std::vector<TvyPolygon>& out, const std::vector<TvyPointF>& points) const;
    void AddCentredRect(std::vector<TvyPolygon>& out, TvyPointF p, float hx, float hy) const;
    void Spin(int k, std::vector<TvyPolygon>& out) const;
    void Vortex(int k, std::vector<TvyPolygon>& out) const;
    void ScatterGather(int k, std::vector<TvyPolygon>& out) const;
    void Spike(int k, std::vector<TvyPolygon>& out) const;
    void Fireworks(int k, std::vector<TvyPolygon>& out) const;

    TvyAnimationEffectType FEffect;
    int FSteps;
    TvyPointF FC;
    float FW, FH, FA;
    TvyMatrix FR72;
    std::vector<std::vector<TvyPointF>> FTriangles;
    std::vector<TvyPointF> FCentroids;
    std::vector<TvyMatrix> FHome;
    std::vector<TvyPointF> FStarts;
};

// The steps in the order they are drawn: showing draws each step and erases it Frames steps
// later, then flashes the full outline; hiding runs backwards. Every step appears an even
// number of times, so inverted outlines leave the screen as it was.
std::vector<int> DrawOrder(bool showing, int steps, int frames);

// The length of one pause of `delay` units in ticks of a counter running at `frequency`
// ticks a second: one unit is 20 microseconds on every processor.
constexpr int64_t kvyDelayUnitMicroseconds = 20;
int64_t DelayTicks(int delay, int64_t frequency);
