// QV_Point2D and QV_Point3D: float points with the few arithmetic helpers
// that the models use.
#pragma once

#include <cmath>

struct QV_Point2D {
    float x = 0.0f;
    float y = 0.0f;

    QV_Point2D() = default;
    QV_Point2D(float px, float py) : x(px), y(py) {}

    QV_Point2D& operator+=(const QV_Point2D& p)
    {
        x += p.x;
        y += p.y;
        return *this;
    }
    QV_Point2D operator+(const QV_Point2D& p) const { return {x + p.x, y + p.y}; }
    QV_Point2D operator-(const QV_Point2D& p) const { return {x - p.x, y - p.y}; }
    QV_Point2D operator*(float s) const { return {x * s, y * s}; }
    QV_Point2D operator/(float s) const { return {x / s, y / s}; }
    // Component-wise scale (x * s.x, y * s.y).
    QV_Point2D Scaled(const QV_Point2D& s) const { return {x * s.x, y * s.y}; }
    bool operator==(const QV_Point2D&) const = default;
};

struct QV_Point3D {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    QV_Point3D() = default;
    QV_Point3D(float px, float py, float pz) : x(px), y(py), z(pz) {}

    QV_Point3D& operator+=(const QV_Point3D& p)
    {
        x += p.x;
        y += p.y;
        z += p.z;
        return *this;
    }
    QV_Point3D operator+(const QV_Point3D& p) const { return {x + p.x, y + p.y, z + p.z}; }
    QV_Point3D operator-(const QV_Point3D& p) const { return {x - p.x, y - p.y, z - p.z}; }
    QV_Point3D operator*(float s) const { return {x * s, y * s, z * s}; }
    QV_Point3D operator/(float s) const { return {x / s, y / s, z / s}; }
    QV_Point3D Scaled(const QV_Point3D& s) const { return {x * s.x, y * s.y, z * s.z}; }
    bool operator==(const QV_Point3D&) const = default;
};

inline float Distance(const QV_Point2D& a, const QV_Point2D& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

inline float Distance(const QV_Point3D& a, const QV_Point3D& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}
