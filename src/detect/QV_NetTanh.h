// The networks' tanh, 1 - 2 / (e^2x + 1) taken in double and rounded to
// float, one value at a time or over a run of values at once (the same floats).
#pragma once

// tanh of x the way every network unit of this system computes it.
float QV_NetTanh(float x);

// Replaces each of the n values by QV_NetTanh of it, two at a time where the
// processor allows: e^2x comes from a polynomial then, and a value whose
// double result lies too near the middle between two floats for that
// polynomial's error is taken the one-value way, so every float is the one
// QV_NetTanh gives. Returns how many values went the one-value way.
int QV_NetTanhRun(float* values, int n);

// e^z for |z| <= 40 from the polynomial QV_NetTanhRun uses (within a few
// units in the last place of the library's exp); for checking it.
double QV_NetExpPolynomial(double z);
