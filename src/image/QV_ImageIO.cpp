// Load and Save by the file name's lower-cased extension, and the search for
// an image under any of the known extensions.
#include <string>

#include "QV_BinaryIO.h"
#include "QV_Image.h"

namespace {

// The text after the last '.' of the file name, lower-cased ('A'..'Z' only);
// empty when the name has no extension.
QV_String LowerExtension(const QV_String& path)
{
    if (path.StripExtension().Length() == path.Length()) return QV_String();
    QV_String ext = path.Extension();
    ext.ToLower();
    return ext;
}

using Reader = bool (QV_Image::*)(const QV_String&);
using Writer = bool (QV_Image::*)(const QV_String&) const;

struct ReaderEntry {
    const char* extension;
    Reader read;
};
struct WriterEntry {
    const char* extension;
    Writer write;
};

const ReaderEntry kReaders[] = {
    {"pgm", &QV_Image::LoadPGM},   {"ppm", &QV_Image::LoadPPM},  {"png", &QV_Image::LoadPNG},
    {"gif", &QV_Image::LoadGIF},   {"bmp", &QV_Image::LoadBMP},  {"jpg", &QV_Image::LoadJPEG},
    {"jpe", &QV_Image::LoadJPEG},  {"jpeg", &QV_Image::LoadJPEG}, {"tif", &QV_Image::LoadTIFF},
    {"tiff", &QV_Image::LoadTIFF}, {"tga", &QV_Image::LoadTGA},  {"hex", &QV_Image::LoadHex},
    {"force", &QV_Image::LoadFloatRecord},
};

const WriterEntry kWriters[] = {
    {"bmp", &QV_Image::SaveBMP},  {"pgm", &QV_Image::SavePGM},  {"ppm", &QV_Image::SavePPM},
    {"gif", &QV_Image::SaveGIF},  {"pcx", &QV_Image::SavePCX},  {"jpg", &QV_Image::SaveJPEG},
    {"jpe", &QV_Image::SaveJPEG}, {"jpeg", &QV_Image::SaveJPEG}, {"tga", &QV_Image::SaveTGA},
    {"png", &QV_Image::SavePNG},  {"msk", &QV_Image::SaveMSK},
};

// Tried in this order by LoadAnyExtension.
const char* const kSearchExtensions[] = {".jpg", ".jpe", ".jpeg", ".bmp", ".gif", ".tif",
                                         ".tiff", ".png", ".tga", ".pgm", ".ppm"};

}  // namespace

bool QV_Image::Load(const QV_String& path)
{
    jpegQuality = 100;
    const QV_String ext = LowerExtension(path);
    for (const ReaderEntry& e : kReaders)
        if (ext.Std() == e.extension) return (this->*e.read)(path);
    return false;
}

bool QV_Image::LoadAnyExtension(const QV_String& path)
{
    // Only the files that exist are read, so that looking for a picture that
    // is not there prints no message for every extension tried.
    const QV_String base = path.StripExtension();
    for (const char* ext : kSearchExtensions)
        if (QV_OpenFile(base + ext, "rb") && Load(base + ext)) return true;
    return false;
}

bool QV_Image::Save(const QV_String& path) const
{
    const QV_String ext = LowerExtension(path);
    for (const WriterEntry& e : kWriters)
        if (ext.Std() == e.extension) return (this->*e.write)(path);
    QV_PrintError((std::string("Unrecognised file format: ") + ext.CStr() + "\n").c_str());
    return false;
}
