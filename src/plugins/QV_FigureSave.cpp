// The figure target's save: the figure with the head joined in as OBJ with
// its material library, the face texture and the figure's stock textures.
#include <sstream>
#include <string>

#include "QV_BinaryIO.h"
#include "QV_MIO_OBJ.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_VertexList.h"

namespace {

// How a material's surface looks; the numbers of each finish are below.
enum Finish { kSkin, kWet, kTeeth, kHair, kHollow };

struct FigureMaterial {
    const char* name;
    const char* diffuseMap;
    const char* opacityMap;
    Finish finish;
};

// The material library, in file order.
const FigureMaterial kMaterials[] = {
    {"2_SkinHip", "Torso.jpg", "", kSkin},
    {"2_SkinTorso", "Torso.jpg", "", kSkin},
    {"2_Nipple", "Torso.jpg", "", kSkin},
    {"2_SkinHead", "Torso.jpg", "", kSkin},
    {"2_SkinNeck", "Torso.jpg", "", kSkin},
    {"4_InnerMouth", "Mouth.jpg", "", kWet},
    {"6_Eyelash", "Lashes.jpg", "LashesTr.jpg", kHair},
    {"5_Lacrimal", "Eyes.jpg", "", kWet},
    {"7_Tear", "Tear.jpg", "", kWet},
    {"1_EyeSocket", "", "", kHollow},
    {"1_SkinFace", "Face.jpg", "", kSkin},
    {"1_Lip", "Face.jpg", "", kSkin},
    {"1_Nostril", "Face.jpg", "", kSkin},
    {"1_EyeSocket", "", "", kHollow},
    {"5_Cornea", "Eyes.jpg", "EyesTr.jpg", kWet},
    {"5_Sclera", "Eyes.jpg", "EyesTr.jpg", kWet},
    {"7_EyeSurface", "EyeSurface.jpg", "EyeSurfaceTr.jpg", kWet},
    {"5_Iris", "Eyes.jpg", "", kWet},
    {"5_Pupil", "Eyes.jpg", "", kWet},
    {"4_Gums", "Mouth.jpg", "", kWet},
    {"4_Teeth", "Mouth.jpg", "", kTeeth},
    {"4_Tongue", "Mouth.jpg", "", kWet},
    {"3_SkinArm", "Limbs.jpg", "", kSkin},
    {"3_SkinForearm", "Limbs.jpg", "", kSkin},
    {"3_SkinHand", "Limbs.jpg", "", kSkin},
    {"3_Fingernail", "Limbs.jpg", "", kSkin},
    {"3_SkinLeg", "Limbs.jpg", "", kSkin},
    {"3_SkinFoot", "Limbs.jpg", "", kSkin},
    {"3_Toenail", "Limbs.jpg", "", kSkin},
};

// Shininess, ambient, diffuse and specular of each finish: mapped surfaces
// take their colour from the map, so their diffuse colour is white; the eye
// socket has no map and stays dark.
void WriteMaterial(std::ostream& out, const FigureMaterial& m)
{
    struct Numbers {
        float ns, ka, kd, ks;
    };
    static const Numbers kFinish[] = {
        {12.0f, 0.25f, 1.0f, 0.08f},  // skin: soft highlight
        {96.0f, 0.25f, 1.0f, 0.6f},   // wet: eyes, tears and the inside of the mouth
        {48.0f, 0.25f, 1.0f, 0.3f},   // teeth
        {4.0f, 0.2f, 1.0f, 0.0f},     // hair: no highlight
        {1.0f, 0.05f, 0.08f, 0.0f},   // hollow
    };
    const Numbers& n = kFinish[m.finish];
    const float ka[3] = {n.ka, n.ka, n.ka}, kd[3] = {n.kd, n.kd, n.kd}, ks[3] = {n.ks, n.ks, n.ks};
    QV_MIO_OBJ::WriteMaterial(out, m.name, 1, n.ns, 1.0f, ka, kd, ks, 0.0f, m.diffuseMap, m.opacityMap);
}

// A file in the same folder as path.
QV_String Beside(const QV_String& path, const char* name)
{
    const std::string& p = path.Std();
    const size_t sep = p.find_last_of("/\\");
    return sep == std::string::npos ? QV_String(name) : QV_String(p.substr(0, sep + 1)) + name;
}

bool WriteText(const QV_String& path, const std::string& text)
{
    QV_File f = QV_OpenFile(path, "wb");
    return f && std::fwrite(text.data(), 1, text.size(), f.get()) == text.size() && std::fflush(f.get()) == 0;
}

// Copies a stock file byte for byte; a source that is not there is no error.
bool CopyIfPresent(const QV_String& from, const QV_String& to)
{
    QV_Array<unsigned char> bytes;
    if (!QV_OpenFile(from, "rb") || !QV_LoadFileBytes(from, bytes)) return true;
    return QV_SaveFileBytes(to, bytes);
}

}  // namespace

bool QV_FigureHeadPlugin::SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error)
{
    error = "";
    QV_Mesh figure;
    if (!JoinHead(mesh, figure)) {
        error = "Failed to save: " + path;
        return false;
    }
    // Figure parts that were modelled apart meet again: each pair's first
    // vertex takes the second's place. Only a real figure has such pairs.
    if (ChosenFigure().VertexCount() > 0) {
        if (bodyBodyCorrespondance.Size() % 2 != 0) {
            error = "Failed to save: " + path;
            return false;
        }
        for (unsigned i = 0; i + 1 < bodyBodyCorrespondance.Size(); i += 2) {
            const int a = bodyBodyCorrespondance[i], b = bodyBodyCorrespondance[i + 1];
            if (a < 0 || b < 0 || a >= figure.VertexCount() || b >= figure.VertexCount()) {
                error = "Failed to save: " + path;
                return false;
            }
            figure.vertices[a] = figure.vertices[b];
        }
    }

    QV_String extension = path.Extension();
    extension.ToLower();
    if (extension.Std() != "obj") return SaveMeshByExtension(figure, path, error);

    const QV_String library = path.StripExtension() + ".mtl";
    QV_MIO_OBJ::MaterialLinks links;
    links.library = path.FileName() + ".mtl";  // beside the OBJ, so named alone
    for (const FigureMaterial& m : kMaterials) links.materials.push_back(m.name);
    std::ostringstream obj, mtl;
    QV_MIO_OBJ::WriteText(figure, obj, &links);
    for (const FigureMaterial& m : kMaterials) WriteMaterial(mtl, m);
    if (!WriteText(path, obj.str())) {
        error = "Failed to save: " + path;
        return false;
    }
    if (!WriteText(library, mtl.str())) {
        error = "Failed to save: " + library;
        return false;
    }
    const QV_String face = Beside(path, kFaceTexture);
    if (!mesh.hasTexture || mesh.texture.Rows() == 0 || !mesh.texture.SaveJPEG(face)) {
        error = "Failed to save: " + face;
        return false;
    }
    const QV_String stock = DataDirectory() + "/" + TargetFolder(Name()) + "/";
    for (const char* name : kStockTextures) {
        if (!CopyIfPresent(stock + name, Beside(path, name))) {
            error = "Failed to save: " + Beside(path, name);
            return false;
        }
    }
    return true;
}
