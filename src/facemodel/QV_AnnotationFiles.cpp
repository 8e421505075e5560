// The three file forms of an annotation model: "ana" versioned text, "anb"
// versioned binary (also embedded in other files), "mma"/"mmac"/"mmaf" older
// text. Readers stop at the end of the file: a file that ends before the
// counts it announces is a failed read and leaves the model empty.
#include <cstdlib>
#include <cstring>
#include <string>

#include "QV_AnnotationModel.h"
#include "QV_BinaryIO.h"
#include "QV_TextReader.h"

namespace {

enum class Form { Text, Binary, OldText, Unknown };

Form FormOf(const QV_String& path)
{
    QV_String ext = path.Extension();
    ext.ToLower();
    if (ext == "ana") return Form::Text;
    if (ext == "anb") return Form::Binary;
    if (ext == "mma" || ext == "mmac" || ext == "mmaf") return Form::OldText;
    return Form::Unknown;
}

// Smallest number of bytes one point or landmark takes in a text file
// ("0 0\n" or "0\n"), to refuse counts the rest of the file cannot hold.
constexpr int64_t kMinTextPointBytes = 4;
constexpr int64_t kMinTextIndexBytes = 2;

// Whether the rest of the file can hold `count` such items; the last one needs
// no line end after it (hand-edited files often stop at their last number).
bool TextCanHold(std::FILE* f, int count, int64_t itemBytes)
{
    return count == 0 || (count > 0 && static_cast<int64_t>(count) * itemBytes - 1 <= QV_BytesLeft(f));
}

// Reads `count` float pairs into the annotation's points.
bool ReadTextPoints(QV_TextReader& in, std::FILE* f, int count, QV_Annotation& a)
{
    if (!TextCanHold(f, count, kMinTextPointBytes)) return false;
    for (int k = 0; k < count; ++k) {
        QV_Point2D p;
        if (!in.ReadFloat(p.x) || !in.ReadFloat(p.y)) return false;
        a.points.Append(p);
    }
    return true;
}

bool ReadTextIndices(QV_TextReader& in, std::FILE* f, int count, QV_Annotation& a)
{
    if (!TextCanHold(f, count, kMinTextIndexBytes)) return false;
    for (int k = 0; k < count; ++k) {
        int v = 0;
        if (!in.ReadInt(v)) return false;
        a.landmarks.Append(v);
    }
    return true;
}

}  // namespace

bool QV_AnnotationModel::Load(const QV_String& path)
{
    Form form = FormOf(path);
    if (form == Form::Unknown) return true;
    QV_File f = QV_OpenFile(path, form == Form::Binary ? "rb" : "r");
    if (!f) {
        if (form == Form::OldText) Clear();
        return false;
    }
    switch (form) {
    case Form::Text:
        return ReadText(f.get());
    case Form::Binary:
        return ReadBinary(f.get());
    default:
        return ReadOldText(f.get());
    }
}

bool QV_AnnotationModel::Save(const QV_String& path) const
{
    Form form = FormOf(path);
    if (form == Form::Unknown) return false;
    QV_File f = QV_OpenFile(path, form == Form::Binary ? "wb" : "w");
    if (!f) return false;
    bool ok = form == Form::Text ? WriteText(f.get()) : form == Form::Binary ? WriteBinary(f.get()) : WriteOldText(f.get());
    return std::fflush(f.get()) == 0 && ok;
}

// ---- versioned binary form ----

bool QV_AnnotationModel::WriteBinary(std::FILE* f) const
{
    if (!QV_WriteI32(f, version) || !QV_WriteU32(f, annotations.Size())) return false;
    for (int i = 0; i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        bool ok = QV_WriteI32(f, a.version) && QV_WriteU8(f, a.used) && QV_WriteU8(f, a.open) &&
                  QV_WriteU8(f, a.normalised) && a.label.Write(f) && a.colour.Write(f) && a.landmarks.Write(f) &&
                  a.points.Write(f);
        if (!ok) return false;
    }
    return true;
}

bool QV_AnnotationModel::ReadBinary(std::FILE* f)
{
    Clear();
    int32_t v = 0;
    uint32_t n = 0;
    if (!QV_ReadI32(f, v) || !QV_ReadU32(f, n)) return false;
    version = v;
    for (uint32_t i = 0; i < n; ++i) {
        QV_Annotation a;
        bool ok = QV_ReadI32(f, a.version) && QV_ReadU8(f, a.used) && QV_ReadU8(f, a.open) &&
                  QV_ReadU8(f, a.normalised) && a.label.Read(f) && a.colour.Read(f) && a.landmarks.Read(f) &&
                  a.points.Read(f);
        if (!ok) {
            Clear();
            return false;
        }
        annotations.Append(a);
    }
    return true;
}

// ---- versioned text form ----

bool QV_AnnotationModel::WriteText(std::FILE* f) const
{
    bool ok = std::fprintf(f, "Quorvex Annotation Model \nVersion=%d\nNumOfAnnotations=%d\n", version, Count()) > 0;
    for (int i = 0; ok && i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        ok = std::fprintf(f, "%s\nVersion=%d\nUsed=%d\nOpen=%d\nNormalised=%d\nQV_Colour(%d,%d,%d)\nElems=%d\n",
                          a.label.CStr(), a.version, a.used ? 1 : 0, a.open ? 1 : 0, a.normalised ? 1 : 0,
                          a.colour.red, a.colour.green, a.colour.blue, a.NumPoints()) > 0;
        for (int k = 0; ok && k < a.NumPoints(); ++k)
            ok = std::fprintf(f, "%g %g\n", static_cast<double>(a.points[k].x), static_cast<double>(a.points[k].y)) > 0;
        ok = ok && std::fprintf(f, "LandmarkElems=%u\n", a.landmarks.Size()) > 0;
        for (unsigned k = 0; ok && k < a.landmarks.Size(); ++k)
            ok = std::fprintf(f, "%d\n", a.landmarks[static_cast<int>(k)]) > 0;
    }
    return ok;
}

bool QV_AnnotationModel::ReadText(std::FILE* f)
{
    Clear();
    QV_TextReader in(f);
    std::string line;
    if (!in.SkipLine() || !in.ReadLine(line)) return false;
    version = QV_TextReader::IntAfterEquals(line);
    if (!in.ReadLine(line)) {
        Clear();
        return false;
    }
    const int count = QV_TextReader::IntAfterEquals(line);
    for (int i = 0; i < count; ++i) {
        QV_Annotation a;
        std::string label, ver, used, open, norm, colour, elems;
        bool ok = in.ReadLine(label) && in.ReadLine(ver) && in.ReadLine(used) && in.ReadLine(open) &&
                  in.ReadLine(norm) && in.ReadLine(colour) && in.ReadLine(elems);
        if (ok) {
            a.label = QV_String(label);
            a.version = QV_TextReader::IntAfterEquals(ver);
            a.used = QV_TextReader::CharAfterEquals(used) == '0' ? 0 : 1;
            a.open = QV_TextReader::CharAfterEquals(open) == '0' ? 0 : 1;
            a.normalised = QV_TextReader::CharAfterEquals(norm) == '0' ? 0 : 1;
            a.colour.FromText(colour.c_str());
            int n = QV_TextReader::IntAfterEquals(elems);
            ok = ReadTextPoints(in, f, n, a) && (n == 0 || in.SkipLine() || in.AtEnd());
        }
        std::string lmLine;
        ok = ok && in.ReadLine(lmLine);
        if (ok) {
            int n = QV_TextReader::IntAfterEquals(lmLine);
            ok = ReadTextIndices(in, f, n, a);
            if (ok && n != 0) in.SkipLine();
        }
        if (!ok) {
            Clear();
            return false;
        }
        annotations.Append(a);
    }
    return true;
}

// ---- older text form ----

bool QV_AnnotationModel::WriteOldText(std::FILE* f) const
{
    bool ok = std::fprintf(f, "Quorvex Annotation Model : image file :\n NoImageFile\nNumber of annotations:\n%d\n",
                           Count()) > 0;
    for (int i = 0; ok && i < Count(); ++i) {
        const QV_Annotation& a = annotations[i];
        ok = std::fprintf(f, "%s\n%s\nNumber of points :\n%d\n", a.label.CStr(),
                          a.open ? "Annotation IS open" : "Annotation is NOT open", a.NumPoints()) > 0;
        for (int k = 0; ok && k < a.NumPoints(); ++k)
            ok = std::fprintf(f, "%g %g\n", static_cast<double>(a.points[k].x), static_cast<double>(a.points[k].y)) > 0;
        ok = ok && std::fprintf(f, "Landmark indeces:\nNumber of landmarks:\n%u\n", a.landmarks.Size()) > 0;
        for (unsigned k = 0; ok && k < a.landmarks.Size(); ++k)
            ok = std::fprintf(f, "%d\n", a.landmarks[static_cast<int>(k)]) > 0;
    }
    return ok;
}

bool QV_AnnotationModel::ReadOldText(std::FILE* f)
{
    Clear();
    QV_TextReader in(f);
    std::string line;
    do {
        if (!in.ReadLine(line)) return false;
    } while (line.find("Annotation") == std::string::npos);
    int count = 0;
    if (!in.SkipLine() || !in.SkipLine() || !in.ReadInt(count)) return false;
    for (int i = 0; i < count; ++i) {
        QV_Annotation a;
        a.colour = QV_Colour(0, 0, 255);
        std::string label, openLine;
        int n = 0, lm = 0;
        bool ok = in.SkipWhite() && in.ReadLine(label) && in.ReadLine(openLine) && in.SkipLine() && in.ReadInt(n);
        if (ok) {
            a.label = QV_String(label);
            a.open = openLine.find("NOT") == std::string::npos ? 1 : 0;
            if (n > 0 && QV_CanHold(f, n, kMinTextPointBytes)) a.points.SetBlockSize(static_cast<unsigned>(n));
            ok = ReadTextPoints(in, f, n, a) && in.SkipLine() && in.SkipLine() && in.SkipLine() && in.ReadInt(lm) &&
                 ReadTextIndices(in, f, lm, a);
        }
        if (!ok) {
            Clear();
            return false;
        }
        annotations.Append(a);
    }
    return true;
}
