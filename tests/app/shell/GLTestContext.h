// GLTestContext: a software (OSMesa) OpenGL context with its own RGBA colour
// buffer, current while the object lives, for tests that paint a view and
// read its pixels back.
#pragma once

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The software OpenGL library keeps some state of every buffer it was bound
// to until the process ends; its leak reports are not ours. (Inline and kept,
// so that every test file may include this header.)
extern "C" __attribute__((used)) inline const char* __lsan_default_suppressions()
{
    return "leak:libOSMesa.so\n";
}
#endif

namespace visagen_test {

struct GLPixel {
    int r = 0, g = 0, b = 0, a = 0;
};

class GLTestContext {
public:
    GLTestContext(int width, int height) : w(width), h(height), buffer(size_t(width) * height * 4, 0)
    {
        context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 8, 0, nullptr);
        if (context &&
            OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height) != GL_TRUE) {
            OSMesaDestroyContext(context);
            context = nullptr;
        }
    }
    ~GLTestContext()
    {
        if (!context) return;
        OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
        OSMesaDestroyContext(context);
    }
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool Ok() const { return context != nullptr; }
    int Width() const { return w; }
    int Height() const { return h; }

    // The pixel in column x of row y counted from the top (window
    // coordinates, as pointer positions are given).
    GLPixel PixelFromTop(int x, int y) const
    {
        GLPixel p;
        if (x < 0 || y < 0 || x >= w || y >= h) return p;
        // The buffer's first row is the bottom of the picture.
        const unsigned char* q = buffer.data() + (size_t(h - 1 - y) * w + x) * 4;
        p.r = q[0], p.g = q[1], p.b = q[2], p.a = q[3];
        return p;
    }

private:
    int w, h;
    std::vector<unsigned char> buffer;
    OSMesaContext context = nullptr;
};

}  // namespace visagen_test
