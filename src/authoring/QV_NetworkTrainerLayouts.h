// The shapes of the four detector networks: families of local receptive
// fields whose connection counts give the detector's stated sizes.
#pragma once

#include "QV_NetworkTrainer.h"

// Layout of network 0 "umec", 1 "face17c", 2 "face18c", 3 "eye".
const QV_NetworkLayout& QV_DetectorLayout(int index);
