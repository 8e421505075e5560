// Small geometric helpers shared by the annotation and the annotation model:
// box extension and the aspect-scaled rotation about a centre.
#pragma once

#include <cmath>

#include "QV_Point.h"

inline constexpr float kQV_FloatMax = 3.4028235e38f;

inline void QV_ExtendBox(const QV_Point2D& p, QV_Point2D& min, QV_Point2D& max)
{
    if (p.x < min.x) min.x = p.x;
    if (p.y < min.y) min.y = p.y;
    if (p.x > max.x) max.x = p.x;
    if (p.y > max.y) max.y = p.y;
}

// Rotates normalised points about a centre in a frame scaled by aspect, by the
// matrix with rows (cos a, sin a) and (-sin a, cos a).
class QV_Rotation {
public:
    QV_Rotation(float angleDegrees, const QV_Point2D& aspect, const QV_Point2D& centre)
        : aspect(aspect), centre(centre.Scaled(aspect))
    {
        double a = angleDegrees * 0.017453292519943295;
        c = static_cast<float>(std::cos(a));
        s = static_cast<float>(std::sin(a));
    }
    QV_Point2D Apply(const QV_Point2D& p) const
    {
        QV_Point2D q = p.Scaled(aspect) - centre;
        QV_Point2D r(c * q.x + s * q.y, -s * q.x + c * q.y);
        r += centre;
        return QV_Point2D(r.x / aspect.x, r.y / aspect.y);
    }

private:
    QV_Point2D aspect;
    QV_Point2D centre;
    float c = 1.0f;
    float s = 0.0f;
};
