// visagen-label: labels portraits with the teacher (dlib's frontal face
// detector and 68-point shape predictor) and writes a label file the
// authoring tool reads. Only this tool links dlib; the programs never do.
#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms.h>

#include <cstdio>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Image.h"
#include "QV_Landmarks68.h"

namespace {

constexpr const char* kDefaultPredictor = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";

void Usage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: visagen-label --out LABELS.json [--predictor FILE] IMAGE...\n"
                 "Finds the largest face of each image with the teacher and writes its 68 points;\n"
                 "an image without a face is reported and left out. The image names are written as given.\n");
}

// Our image (bottom row first) as the teacher's grey image (top row first).
void ToTeacherImage(const QV_Image& image, dlib::array2d<unsigned char>& out)
{
    const int rows = image.Rows(), cols = image.Cols();
    out.set_size(rows, cols);
    for (int r = 0; r < rows; ++r) {
        const QV_Colour* src = image.Row(image.RowLow() + rows - 1 - r);
        for (int c = 0; c < cols; ++c)
            out[r][c] = static_cast<unsigned char>((src[c].red * 299 + src[c].green * 587 + src[c].blue * 114) / 1000);
    }
}

// The largest face the detector finds, trying the picture at twice its size
// when it finds none (small faces); the rectangle is in the picture's pixels.
bool LargestFace(dlib::frontal_face_detector& detector, dlib::array2d<unsigned char>& grey, double& scale,
                 dlib::rectangle& face)
{
    scale = 1.0;
    std::vector<dlib::rectangle> found = detector(grey);
    if (found.empty()) {
        dlib::pyramid_up(grey);
        scale = 0.5;
        found = detector(grey);
    }
    if (found.empty()) return false;
    face = found[0];
    for (const dlib::rectangle& r : found)
        if (r.area() > face.area()) face = r;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string out, predictorPath = kDefaultPredictor;
    std::vector<std::string> images;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--out" || a == "--predictor") && i + 1 < argc) {
            (a == "--out" ? out : predictorPath) = argv[++i];
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "visagen-label: unknown option %s\n", a.c_str());
            Usage(stderr);
            return 2;
        } else {
            images.push_back(a);
        }
    }
    if (out.empty() || images.empty()) {
        Usage(stderr);
        return 2;
    }

    dlib::shape_predictor predictor;
    try {
        dlib::deserialize(predictorPath) >> predictor;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "visagen-label: cannot read the shape predictor %s: %s\n", predictorPath.c_str(), e.what());
        return 1;
    }
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();

    std::vector<QV_LabelledFace> labelled;
    int failures = 0;
    for (const std::string& path : images) {
        QV_Image image;
        if (!image.Load(QV_String(path.c_str()))) {
            std::fprintf(stderr, "visagen-label: cannot read %s\n", path.c_str());
            ++failures;
            continue;
        }
        dlib::array2d<unsigned char> grey;
        ToTeacherImage(image, grey);
        double scale = 1.0;
        dlib::rectangle box;
        if (!LargestFace(detector, grey, scale, box)) {
            std::fprintf(stderr, "visagen-label: no face found in %s\n", path.c_str());
            ++failures;
            continue;
        }
        const dlib::full_object_detection shape = predictor(grey, box);
        if (shape.num_parts() != 68) {
            std::fprintf(stderr, "visagen-label: the predictor gave %lu points, not 68\n",
                         static_cast<unsigned long>(shape.num_parts()));
            return 1;
        }
        QV_LabelledFace face;
        face.image = path;
        face.width = image.Cols();
        face.height = image.Rows();
        face.box = {static_cast<float>(box.left() * scale), static_cast<float>(box.top() * scale),
                    static_cast<float>(box.width() * scale), static_cast<float>(box.height() * scale)};
        for (unsigned long k = 0; k < 68; ++k)
            face.points[k] = QV_Point2D(static_cast<float>(shape.part(k).x() * scale),
                                        static_cast<float>(shape.part(k).y() * scale));
        labelled.push_back(face);
        std::printf("%s: face %.0f x %.0f at (%.0f, %.0f)\n", path.c_str(), face.box[2], face.box[3], face.box[0],
                    face.box[1]);
    }

    const std::string text = QV_FormatLandmarks68(labelled);
    bool written = false;
    {
        QV_File f = QV_OpenFile(out.c_str(), "wb");
        written = f && QV_WriteBytes(f.get(), text.data(), text.size());
        if (f && std::fclose(f.release()) != 0) written = false;
    }
    if (!written) {
        std::fprintf(stderr, "visagen-label: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("visagen-label: %zu of %zu images labelled into %s\n", labelled.size(), images.size(), out.c_str());
    return failures == 0 ? 0 : 1;
}
