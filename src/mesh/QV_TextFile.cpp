// Whole text files for the mesh writers.
#include "QV_TextFile.h"

#include <fstream>

#include "QV_BinaryIO.h"
#include "QV_Error.h"

bool QV_WriteTextFile(const std::string& path, const std::string& text, const char* who)
{
    std::ofstream out(QV_SystemPath(path.c_str()), std::ios::binary);
    if (out.is_open()) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out.fail()) return true;
    }
    QV_PrintError((std::string(who) + " Error! : can't write " + path + "\n").c_str());
    return false;
}

std::string QV_PathFolder(const QV_String& path)
{
    const std::string& s = path.Std();
    const size_t sep = s.find_last_of("\\/");
    return sep == std::string::npos ? std::string() : s.substr(0, sep + 1);
}
