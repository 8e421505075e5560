// QV_NetworkSource: the text of one network compiled into the program (its
// structure lines and weight lines), as kept under data/networks.
#pragma once

struct QV_NetworkSource {
    const char* name;
    const char* const* structure;
    int structureLines;
    const char* const* weights;
    int weightLines;
};

// Indices of the built-in networks.
enum QV_NetworkIndex { QV_NET_UMEC = 0, QV_NET_FACE17C = 1, QV_NET_FACE18C = 2, QV_NET_EYE = 3 };

// Number of built-in networks (four).
int QV_EmbeddedNetworkCount();
// The built-in network with that index, or null outside 0 .. count - 1.
const QV_NetworkSource* QV_EmbeddedNetwork(int index);
