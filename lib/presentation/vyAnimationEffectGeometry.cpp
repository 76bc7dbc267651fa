// lib/presentation/vyAnimationEffectGeometry.cpp
#include "vyAnimationEffectGeometry.h"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr TvyPointF kOrigin{};

TvyPointF Add(TvyPointF a, TvyPointF b) { return {a.X + b.X, a.Y + b.Y}; }
TvyPointF Sub(TvyPointF a, TvyPointF b) { return {a.X - b.X, a.Y - b.Y}; }

// Whole pixels by truncation, kept inside int's range whatever the arithmetic gave.
int Truncate(float v)
{
    if (!(v > -1e9f)) return -1000000000;
    if (!(v < 1e9f)) return 1000000000;
    return static_cast<int>(v);
}

} // namespace

TvyMatrix TvyMatrix::Translation(float tx, float ty)
{
    TvyMatrix m;
    m.M31 = tx;
    m.M32 = ty;
    return m;
}

TvyMatrix TvyMatrix::Scaling(float sx, float sy, TvyPointF about)
{
    TvyMatrix s;
    s.M11 = sx;
    s.M22 = sy;
    return Translation(-about.X, -about.Y) * s * Translation(about.X, about.Y);
}

TvyMatrix TvyMatrix::Rotation(float theta, TvyPointF about)
{
    TvyMatrix r;
    r.M11 = std::cos(theta);
    r.M12 = std::sin(theta);
    r.M21 = -r.M12;
    r.M22 = r.M11;
    return Translation(-about.X, -about.Y) * r * Translation(about.X, about.Y);
}

TvyMatrix TvyMatrix::Lerp(float a, const TvyMatrix& m, const TvyMatrix& n)
{
    auto mix = [a](float x, float y) { return a * x + (1 - a) * y; };
    return {mix(m.M11, n.M11), mix(m.M12, n.M12), mix(m.M21, n.M21),
            mix(m.M22, n.M22), mix(m.M31, n.M31), mix(m.M32, n.M32)};
}

TvyMatrix operator*(const TvyMatrix& a, const TvyMatrix& b)
{
    return {a.M11 * b.M11 + a.M12 * b.M21,         a.M11 * b.M12 + a.M12 * b.M22,
            a.M21 * b.M11 + a.M22 * b.M21,         a.M21 * b.M12 + a.M22 * b.M22,
            a.M31 * b.M11 + a.M32 * b.M21 + b.M31, a.M31 * b.M12 + a.M32 * b.M22 + b.M32};
}

TvyPointF operator*(TvyPointF p, const TvyMatrix& m)
{
    return {p.X * m.M11 + p.Y * m.M21 + m.M31, p.X * m.M12 + p.Y * m.M22 + m.M32};
}

TvyEffectGeometry::TvyEffectGeometry(TvyAnimationEffectType effect, int left, int top, int width, int height,
                                     int steps, int fireworkBlasts)
    : FEffect(effect), FSteps(steps < 1 ? 1 : steps)
{
    FW = static_cast<float>(width) * 0.5f;
    FH = static_cast<float>(height) * 0.5f;
    FC = {static_cast<float>(left) + FW, static_cast<float>(top) + FH};
    switch (effect) {
    case TvyAnimationEffectType::etVortex:
        FA = kPi;
        FR72 = TvyMatrix::Rotation(1.2566371f, FC);
        break;
    case TvyAnimationEffectType::etScatterGather: FA = 6; break;
    case TvyAnimationEffectType::etSpike: {
        FA = kPi;
        const float l = FC.X - FW, r = FC.X + FW, y1 = FC.Y + FH, y0 = FC.Y - FH;
        // Four sides, each in four segments, going around the rectangle.
        const TvyPointF corners[5] = {{l, y1}, {r, y1}, {r, y0}, {l, y0}, {l, y1}};
        const TvyPointF p0{FC.X, FC.Y + 0.8f * (FW - FH)};
        for (int i = 0; i < 16; ++i) {
            const TvyPointF a = corners[i / 4], b = corners[i / 4 + 1];
            const float f0 = static_cast<float>(i % 4) / 4, f1 = static_cast<float>(i % 4 + 1) / 4;
            const TvyPointF s{a.X + (b.X - a.X) * f0, a.Y + (b.Y - a.Y) * f0};
            const TvyPointF e{a.X + (b.X - a.X) * f1, a.Y + (b.Y - a.Y) * f1};
            FTriangles.push_back({FC, s, e});
            const TvyPointF f{(FC.X + s.X + e.X) / 3, (FC.Y + s.Y + e.Y) / 3};
            FCentroids.push_back(f);
            const TvyPointF q =
                p0 * TvyMatrix::Rotation(0.57595865f - static_cast<float>(i) * 0.38397244f, FC);
            FStarts.push_back(q);
            FHome.push_back(TvyMatrix::Translation(q.X - f.X, q.Y - f.Y));
        }
        break;
    }
    case TvyAnimationEffectType::etFireworks: {
        FA = 2 * kPi;
        const TvyPointF p0{FC.X, FC.Y + (FW - FH) * 5 / 3};
        for (int r = 0; r < fireworkBlasts; ++r)
            FStarts.push_back(
                p0 * TvyMatrix::Rotation(2 * kPi * static_cast<float>(r) / static_cast<float>(fireworkBlasts), FC));
        break;
    }
    default: FA = 2 * kPi; break;
    }
}

void TvyEffectGeometry::AddPolygon(std::vector<TvyPolygon>& out, const std::vector<TvyPointF>& points) const
{
    TvyPolygon poly;
    poly.reserve(points.size());
    for (const TvyPointF& p : points) poly.push_back({Truncate(p.X), Truncate(p.Y)});
    if (poly.empty() || poly.back() == poly.front()) return;
    out.push_back(std::move(poly));
}

void TvyEffectGeometry::AddCentredRect(std::vector<TvyPolygon>& out, TvyPointF p, float hx, float hy) const
{
    if (hx == 0 || hy == 0) return;
    AddPolygon(out, {{p.X - hx, p.Y + hy}, {p.X + hx, p.Y + hy}, {p.X + hx, p.Y - hy}, {p.X - hx, p.Y - hy}});
}

std::vector<TvyPolygon> TvyEffectGeometry::Step(int k) const
{
    std::vector<TvyPolygon> out;
    switch (FEffect) {
    case TvyAnimationEffectType::etVortex: Vortex(k, out); break;
    case TvyAnimationEffectType::etScatterGather: ScatterGather(k, out); break;
    case TvyAnimationEffectType::etSpike: Spike(k, out); break;
    case TvyAnimationEffectType::etFireworks: Fireworks(k, out); break;
    default: Spin(k, out); break;
    }
    return out;
}

void TvyEffectGeometry::Spin(int k, std::vector<TvyPolygon>& out) const
{
    const float s = static_cast<float>(FSteps), t = static_cast<float>(k) / s;
    const TvyMatrix m =
        TvyMatrix::Scaling(t, t, kOrigin) * TvyMatrix::Rotation(static_cast<float>(k - FSteps) * FA / s, kOrigin);
    const TvyPointF q = TvyPointF{FW, FH} * m, p = TvyPointF{FW, -FH} * m;
    AddPolygon(out, {Sub(FC, q), Sub(FC, p), Add(FC, q), Add(FC, p)});
}

void TvyEffectGeometry::Vortex(int k, std::vector<TvyPolygon>& out) const
{
    const float s = static_cast<float>(FSteps), kf = static_cast<float>(k);
    const float hx = kf * FW / s, hy = kf * FH / s;
    const float scale = 4 * (s - kf) / (3 * s);
    const TvyMatrix m = TvyMatrix::Translation(FW, FH) * TvyMatrix::Scaling(scale, scale, FC) *
                        TvyMatrix::Rotation(kf * FA / s, FC);
    TvyPointF p = FC * m;
    for (int i = 0; i < 5; ++i) {
        AddCentredRect(out, p, hx, hy);
        p = p * FR72;
    }
}

void TvyEffectGeometry::ScatterGather(int k, std::vector<TvyPolygon>& out) const
{
    const float s = static_cast<float>(FSteps), kf = static_cast<float>(k);
    const int n = static_cast<int>(FA);
    const float nf = static_cast<float>(n);
    const float hx = kf * FW / (s * FA), hy = kf * FH / (s * FA);
    const float scale = (3 * s - 2 * kf) / s;
    const TvyMatrix m = TvyMatrix::Scaling(scale, scale, kOrigin) * TvyMatrix::Translation(FC.X, FC.Y);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const TvyPointF cell{static_cast<float>(2 * i - n + 1) * FW / nf, static_cast<float>(2 * j - n + 1) * FH / nf};
            AddCentredRect(out, cell * m, hx, hy);
        }
}

void TvyEffectGeometry::Spike(int k, std::vector<TvyPolygon>& out) const
{
    const float s = static_cast<float>(FSteps), kf = static_cast<float>(k), t = kf / s;
    for (size_t i = 0; i < FTriangles.size(); ++i) {
        const TvyPointF f = FCentroids[i];
        TvyMatrix m = TvyMatrix::Scaling(t, t, f);
        if (k < FSteps / 2)
            m = m * TvyMatrix::Rotation((1 - 2 * kf / s) * FA, f) * FHome[i];
        else
            m = m * TvyMatrix::Lerp((2 * kf - s) / s, TvyMatrix{}, FHome[i]);
        std::vector<TvyPointF> pts;
        for (const TvyPointF& p : FTriangles[i]) pts.push_back(p * m);
        AddPolygon(out, pts);
    }
}

void TvyEffectGeometry::Fireworks(int k, std::vector<TvyPolygon>& out) const
{
    const float t = static_cast<float>(k) / static_cast<float>(FSteps);
    for (const TvyPointF& b : FStarts) {
        const TvyMatrix m = TvyMatrix::Rotation((1 - t) * FA, kOrigin) * TvyMatrix::Scaling(t, t, kOrigin) *
                            TvyMatrix::Translation(t * FC.X + (1 - t) * b.X, t * FC.Y + (1 - t) * b.Y);
        std::vector<TvyPointF> pts;
        for (TvyPointF p : {TvyPointF{-FW, -FH}, TvyPointF{FW, -FH}, TvyPointF{FW, FH}, TvyPointF{-FW, FH}})
            pts.push_back(p * m);
        AddPolygon(out, pts);
    }
}

std::vector<int> DrawOrder(bool showing, int steps, int frames)
{
    std::vector<int> order;
    if (steps < 1) return order;
    if (frames < 0) frames = 0;
    if (showing) {
        for (int i = 0; i <= steps + frames; ++i) {
            if (i < steps) order.push_back(i);
            if (i >= frames) order.push_back(i - frames);
        }
        // Step `steps` was drawn once by the loop: this erases it again.
        order.push_back(steps);
    } else {
        // Balanced already: a closing draw of the full outline would leave it on the screen.
        for (int i = steps + frames - 1; i >= 0; --i) {
            if (i >= frames) order.push_back(i - frames);
            if (i < steps) order.push_back(i);
        }
    }
    return order;
}

int64_t DelayTicks(int delay, int64_t frequency)
{
    if (delay <= 0 || frequency <= 0) return 0;
    return static_cast<int64_t>(delay) * kvyDelayUnitMicroseconds * frequency / 1000000;
}
