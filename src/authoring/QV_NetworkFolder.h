// Reads back the detector networks a training run wrote to a folder, so a
// retrained detector can be measured before it is compiled into the program.
#pragma once

#include <string>

#include "QV_FaceDetector.h"

// Reads "<dir>/<name>.structure.txt" and "<dir>/<name>.weights.txt" for the
// four networks into `detector`. False, with the reason, when a file is
// missing, larger than 16 MB or not a network text the detector accepts.
bool QV_LoadNetworkFolder(const std::string& dir, QV_FaceDetector& detector);
