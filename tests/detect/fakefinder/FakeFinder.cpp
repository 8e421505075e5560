// A stand-in face finder library with fixed answers that records what it was
// handed. Compiled several times, each time leaving out one export, to stand
// for libraries that lack it.
#include "FakeFinder.h"

#include <cstring>

namespace {
FakeFinderRecord record{};
int setImageResult = 1;
int findResult = 1;
int answer[4] = {100, 50, 200, 150};
}  // namespace

extern "C" void Fake_Configure(int setResult, int foundResult, int p1, int p2, int p3, int p4)
{
    setImageResult = setResult;
    findResult = foundResult;
    answer[0] = p1;
    answer[1] = p2;
    answer[2] = p3;
    answer[3] = p4;
}

extern "C" void Fake_GetRecord(FakeFinderRecord* out)
{
    *out = record;
}

#ifndef FAKE_WITHOUT_INITIALISE
extern "C" int FN_Initialise(const char* path)
{
    ++record.initialiseCalls;
    std::strncpy(record.initialisePath, path ? path : "", sizeof record.initialisePath - 1);
    return 1;
}
#endif

#ifndef FAKE_WITHOUT_SETIMAGE
extern "C" int FN_SetImage(int rows, int cols, int bytesPerPixel, const unsigned char* pixels)
{
    ++record.setImageCalls;
    record.rows = rows;
    record.cols = cols;
    record.bytesPerPixel = bytesPerPixel;
    if (pixels && rows > 0 && cols > 0 && bytesPerPixel > 0) {
        std::memcpy(record.firstPixel, pixels, 4);
        long long size = static_cast<long long>(rows) * cols * bytesPerPixel;
        std::memcpy(record.lastPixel, pixels + size - 4, 4);
    }
    return setImageResult;
}
#endif

#ifndef FAKE_WITHOUT_FIND
extern "C" int FN_FindFaceSXY(int* p1, int* p2, int* p3, int* p4)
{
    ++record.findCalls;
    *p1 = answer[0];
    *p2 = answer[1];
    *p3 = answer[2];
    *p4 = answer[3];
    return findResult;
}
#endif
