// QV_Material: the surface properties of one mesh feature (colours, shininess,
// opacity, display flags and scale), with its binary record.
#pragma once

#include <cstdio>

struct QV_Material {
    int version = 1;
    float ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float specular[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    float shininess = 0.15f;
    float opacity = 1.0f;
    // Display switches read by the 3D view; stored and copied here.
    unsigned char flags[5] = {1, 0, 0, 1, 1};
    // Display mode read by the 3D view (1 turns the emissive colour on in VRML).
    int mode = 0;
    float emissive[4] = {0.7f, 0.1f, 0.25f, 1.0f};
    float scale[3] = {1.0f, 1.0f, 1.0f};

    bool operator==(const QV_Material&) const = default;

    // Binary record: version, shininess, opacity, the five flag bytes, the mode
    // as 4 bytes, the ambient, diffuse, specular and emissive colours each as a
    // float array record of 4 elements, then the 3 scale floats.
    bool Write(std::FILE* f) const;
    // Fails on a short read or a colour record that is not 4 elements long;
    // the material is left unchanged on failure.
    bool Read(std::FILE* f);
};
