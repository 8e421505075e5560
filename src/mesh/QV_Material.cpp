// Binary record of QV_Material.
#include "QV_Material.h"

#include <cstring>

#include "QV_Array.h"
#include "QV_BinaryIO.h"

namespace {

// A colour as a float array record: count, low and high bounds (64-bit), then
// the four components.
bool WriteColour(std::FILE* f, const float (&c)[4])
{
    return QV_WriteI64(f, 4) && QV_WriteI64(f, 0) && QV_WriteI64(f, 3) && QV_WriteBytes(f, c, sizeof c);
}

bool ReadColour(std::FILE* f, float (&c)[4])
{
    QV_Array<float> a;
    if (!a.Read(f) || a.Count() != 4) return false;
    std::memcpy(c, a.Data(), sizeof c);
    return true;
}

}  // namespace

bool QV_Material::Write(std::FILE* f) const
{
    return QV_WriteI32(f, version) && QV_WriteF32(f, shininess) && QV_WriteF32(f, opacity) &&
           QV_WriteBytes(f, flags, 4) && QV_WriteU8(f, flags[4]) && QV_WriteI32(f, mode) &&
           WriteColour(f, ambient) && WriteColour(f, diffuse) && WriteColour(f, specular) &&
           WriteColour(f, emissive) && QV_WriteBytes(f, scale, sizeof scale);
}

bool QV_Material::Read(std::FILE* f)
{
    QV_Material m;
    int32_t v = 0, md = 0;
    if (!QV_ReadI32(f, v) || !QV_ReadF32(f, m.shininess) || !QV_ReadF32(f, m.opacity) ||
        !QV_ReadBytes(f, m.flags, 4) || !QV_ReadU8(f, m.flags[4]) || !QV_ReadI32(f, md) ||
        !ReadColour(f, m.ambient) || !ReadColour(f, m.diffuse) || !ReadColour(f, m.specular) ||
        !ReadColour(f, m.emissive) || !QV_ReadBytes(f, m.scale, sizeof m.scale))
        return false;
    m.version = v;
    m.mode = md;
    *this = m;
    return true;
}
