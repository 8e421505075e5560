// QV_FaceDetector: finds upright frontal faces and their eyes in a grey
// picture with four networks run over an image pyramid (candidates, two-network
// verification, arbitration of overlapping hits, eye search).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "QV_NamedImages.h"
#include "QV_NeuralNet.h"
#include "QV_VerdictTable.h"

// A 20 x 20 window of a pyramid level: its top-left corner and the level.
struct QV_Detection {
    int x;
    int y;
    int level;
    bool operator==(const QV_Detection& o) const { return x == o.x && y == o.y && level == o.level; }
};

// Fields of one output record of ten ints.
enum QV_FaceRecordField {
    QV_REC_X0 = 0, QV_REC_Y0, QV_REC_X1, QV_REC_Y1,  // face box, input pixels
    QV_REC_EYE_A_X, QV_REC_EYE_A_Y,                  // eye in the right half of the box
    QV_REC_EYE_B_X, QV_REC_EYE_B_Y,                  // eye in the left half of the box
    QV_REC_EYE_A_FLAG, QV_REC_EYE_B_FLAG,            // 1 found, 0 not found, -1 not searched
    QV_REC_SIZE
};

// Where the eye search of a face reads its 25 x 15 eye windows: the pyramid
// level, the range of window tops, and per half the range of window lefts
// (ends excluded). Half 0 holds eye A, read mirrored; half 1 eye B.
struct QV_EyeSearchArea {
    int level;
    int top0, top1;
    int left0[2], left1[2];
};

// The text of one network: its structure lines and weight lines.
struct QV_NetworkText {
    std::vector<std::string> structure;
    std::vector<std::string> weights;
};

class QV_FaceDetector {
public:
    // Reads the four networks ("umec", "face17c", "face18c", "eye", in that
    // order). False, with the reader's message, when any text is malformed or
    // a network's input count does not fit its window.
    bool LoadNetworks(const QV_NetworkText texts[4]);
    // The networks compiled into the program.
    bool LoadEmbeddedNetworks();
    bool Ready() const { return ready; }
    QV_NeuralNet& Net(int index) { return nets[index]; }

    // Runs the whole detector on grey bytes (top row first). Returns the number
    // of faces and stores a malloc'ed array of that many ten-int records in
    // *records (null when there is none); the caller frees it.
    int Detect(int width, int height, const unsigned char* grey, int** records);

    // ---- the stages, each usable on its own ----
    // Level 0 is the input; each next level is 0.8333.. of the previous size;
    // levels go on while both sides are at least 20.
    static void BuildPyramid(const QV_DetImage& input, std::vector<QV_DetImage>& levels);
    // The detection map seen at a pyramid level: 255 where every input pixel
    // under the level pixel is covered.
    static void LevelMap(const QV_DetImage& map, int level, int width, int height, QV_DetImage& out);
    // Stage 1 on one level: the candidate windows of the 10-pixel grid whose
    // blocks are not yet covered in the level map.
    void Candidates(const QV_DetImage& image, int level, const QV_DetImage& levelMap, std::vector<QV_Detection>& out);
    // Stage 2: true with the averaged detection when some window around the
    // candidate, at its level or one either side, is accepted by both
    // verification networks.
    bool Verify(const std::vector<QV_DetImage>& pyramid, const QV_Detection& candidate, QV_Detection& out);
    // Marks the input area of an accepted detection in the detection map.
    static void MarkCovered(QV_DetImage& map, const QV_Detection& d);
    // Stage 3: merges overlapping detections into faces, strongest first.
    static void Arbitrate(const std::vector<QV_Detection>& detections, int levels, std::vector<QV_Detection>& faces);
    // The level stage 4 searches the eyes of a face at level L: seven levels
    // finer, or level 0 for faces up to three levels too small for that; -1
    // for smaller faces, which get no eye search.
    static int EyeLevel(int faceLevel);
    // Where stage 4 searches the eyes of a face; false for a face too small
    // for an eye search.
    static bool EyeSearch(const std::vector<QV_DetImage>& pyramid, const QV_Detection& face, QV_EyeSearchArea& area);
    // Stage 4 and the output record of one face.
    void FaceRecord(const std::vector<QV_DetImage>& pyramid, const QV_Detection& face, int record[QV_REC_SIZE]);

private:
    // Copies of the networks and a working window for each chunk after the
    // first, so that several threads judge windows at once; the first chunk
    // runs on the detector's own.
    struct ChunkNets {
        QV_NeuralNet net[3];  // umec, face17c, face18c
        bool copied[3] = {false, false, false};
        std::vector<int> window;
    };

    QV_NeuralNet nets[4];
    bool ready = false;
    // Working windows, reused between calls.
    std::vector<int> window;
    std::vector<ChunkNets> chunkNets;
    // While Detect runs: the verdict of both verification networks on every
    // window already tried, by level and centre. Neighbouring candidates, at
    // one level and across levels, share many windows. Empty otherwise.
    QV_VerdictTable verdicts;
    bool Accepts(const QV_DetImage& level, int j, int px, int py);
    // Gives the chunks after the first of `chunks` copies of network `net`
    // (0..2), once per loading of the networks.
    void CopyToChunks(int chunks, int net);
    QV_NeuralNet& ChunkNet(int chunk, int net);
    std::vector<int>& ChunkWindow(int chunk);
    // Judges, spread over the workers, every window the candidates' stage 2
    // will look at that has no verdict yet, and keeps the verdicts.
    void JudgeWindows(const std::vector<QV_DetImage>& pyramid, const std::vector<QV_Detection>& candidates);
};

// The detector built from the compiled-in networks, made on first use; null
// when those networks cannot be read.
QV_FaceDetector* QV_DefaultFaceDetector();
