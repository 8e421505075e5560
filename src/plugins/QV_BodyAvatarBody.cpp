// The body avatar's body: the torso and legs chosen by the body option, and
// the torso skin chosen from the user's skin folder.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>

#include "QV_BinaryIO.h"
#include "QV_OlderMugShotPlugins.h"

namespace {

bool IsSkinPicture(const std::string& name)
{
    for (const char* ext : {".jpg", ".JPG", ".jpeg", ".JPEG"}) {
        const size_t n = std::char_traits<char>::length(ext);
        if (name.size() > n && name.compare(name.size() - n, n, ext) == 0) return true;
    }
    return false;
}

float ColourDistance(const QV_ColourF& a, const QV_ColourF& b)
{
    return std::hypot(a.red - b.red, a.green - b.green, a.blue - b.blue);
}

// Adds the offset to every texel's red, green and blue, clamped to 0..255.
void TintBySkinOffset(QV_Image& texture, const float offset[3])
{
    for (int r = 0; r < texture.Rows(); ++r) {
        QV_Colour* row = texture.Row(texture.RowLow() + r);
        for (int c = 0; c < texture.Cols(); ++c) {
            row[c].red = QV_RoundToByte(row[c].red + offset[0]);
            row[c].green = QV_RoundToByte(row[c].green + offset[1]);
            row[c].blue = QV_RoundToByte(row[c].blue + offset[2]);
        }
    }
}

}  // namespace

bool QV_BodyAvatarPlugin::BodySkins(std::vector<QV_String>& paths, QV_String& error) const
{
    paths.clear();
    const QV_String folder = bodySkinFolder + (femaleBody ? "/Female" : "/Male");
    std::error_code ec;
    for (std::filesystem::directory_iterator it(QV_SystemPath(folder.CStr()), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsSkinPicture(name) && it->is_regular_file(ec)) paths.push_back(folder + "/" + name.c_str());
    }
    std::sort(paths.begin(), paths.end(), [](const QV_String& a, const QV_String& b) { return a.Std() < b.Std(); });
    if (paths.empty()) {
        error = "Error, " + folder + " does not contain any body skin jpg images!";
        return false;
    }
    return true;
}

const QV_Mesh& QV_BodyAvatarPlugin::ShownBody(int part) const
{
    const int k = std::clamp(part, 0, 1);
    if (haveCreatedBody && createdFor == femaleBody) return createdBody[k];
    return bodyMeshes[(femaleBody ? 3 : 0) + k];
}

bool QV_BodyAvatarPlugin::DressBody(const QV_Mesh& head, QV_String& error)
{
    haveCreatedBody = false;
    const int first = femaleBody ? 3 : 0;
    createdBody[0] = bodyMeshes[first];
    createdBody[1] = bodyMeshes[first + 1];
    // The stock skins take the difference between the photograph's skin
    // colour and the stock head's, as the head's own texture did.
    for (QV_Mesh& part : createdBody) TintBySkinOffset(part.texture, mugshot.colourOffset);
    if (!bodySkinFolder.IsEmpty()) {
        std::vector<QV_String> skins;
        if (!BodySkins(skins, error)) return false;
        // The skin nearest in colour to the face, both measured as the texture
        // blend measures skin: the face at its sample point, a skin over the
        // middle of its picture.
        const QV_ColourF face = head.texture.MeanColour(mugshot.blendSample, 5);
        QV_Image best;
        float bestDistance = 0.0f;
        for (const QV_String& path : skins) {
            QV_Image skin;
            if (!skin.Load(path) || skin.Rows() == 0 || skin.Cols() == 0) continue;
            const int h = std::max(1, std::min(skin.Rows(), skin.Cols()) / 4);
            const float d = ColourDistance(face, skin.MeanColour(QV_Point2D(0.5f, 0.5f), h));
            if (best.Rows() == 0 || d < bestDistance) {
                best = std::move(skin);
                bestDistance = d;
            }
        }
        if (best.Rows() == 0) {
            error = "Error, none of the body skins in " + bodySkinFolder + " could be read!";
            return false;
        }
        createdBody[0].texture = std::move(best);
        createdBody[0].hasTexture = true;
    }
    createdFor = femaleBody;
    haveCreatedBody = true;
    return true;
}
