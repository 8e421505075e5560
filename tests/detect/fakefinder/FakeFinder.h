// What a stand-in face finder library was handed, and how it is told to
// answer; shared by the stand-in libraries and the binding tests.
#pragma once

struct FakeFinderRecord {
    int initialiseCalls;
    char initialisePath[1024];
    int setImageCalls;
    int rows, cols, bytesPerPixel;
    unsigned char firstPixel[4];  // the first four bytes handed over
    unsigned char lastPixel[4];   // the last four bytes handed over
    int findCalls;
};

// Exports beside the finder's own, for the tests to reach the stand-in:
//   void Fake_Configure(int setImageResult, int findResult, int p1, int p2, int p3, int p4);
//   void Fake_GetRecord(FakeFinderRecord* out);
using FakeConfigureFunction = void (*)(int, int, int, int, int, int);
using FakeGetRecordFunction = void (*)(FakeFinderRecord*);
