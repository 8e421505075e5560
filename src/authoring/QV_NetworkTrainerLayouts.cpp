// Receptive-field families of the detector networks.
#include "QV_NetworkTrainerLayouts.h"

const QV_NetworkLayout& QV_DetectorLayout(int index)
{
    // w, h, fields across, fields down, copies of each field.
    static const QV_NetworkLayout layouts[4] = {
        // 30 x 30: 15 x 15 quarters, overlapping 11 x 11 blocks, half-width
        // 15 x 6 stripes: 52 hidden units, 5883 connections.
        {"umec", 30, 30, {{15, 15, 2, 2, 1}, {11, 11, 3, 3, 2}, {15, 6, 2, 5, 3}}, 0},
        // 20 x 20: two copies of 10 x 10 quarters, 5 x 5 squares and six
        // overlapping 20 x 5 stripes: 52 hidden units, 2905 connections.
        {"face17c", 20, 20, {{10, 10, 2, 2, 2}, {5, 5, 4, 4, 2}, {20, 5, 1, 6, 2}}, 0},
        // The same fields three times: 78 hidden units, 4357 connections.
        {"face18c", 20, 20, {{10, 10, 2, 2, 3}, {5, 5, 4, 4, 3}, {20, 5, 1, 6, 3}}, 0},
        // 25 x 15: 5 x 5 squares, overlapping 5 x 8 blocks and 15 x 5
        // stripes: 51 hidden units, 2478 connections.
        {"eye", 25, 15, {{5, 5, 5, 3, 1}, {5, 8, 5, 2, 2}, {15, 5, 2, 4, 2}}, 113250},
    };
    return layouts[index < 0 ? 0 : index > 3 ? 3 : index];
}
