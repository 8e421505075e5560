// visagen-author older-mug FOLDER OUT.mug [--body]: the older mugshot that
// the body avatar, eye-rig and figure targets read, made from a head folder
// laid out as the standard one ("MUG.mug2d3d", "Front.mma", "Right.mma",
// "Right.jpg"). With --body its front mapping follows the body avatar's
// working annotation, which that target creates from.

#include <cstdio>
#include <string>

#include "Commands.h"
#include "QV_BodyFrontAnnotation.h"
#include "QV_OlderMugShotBuilder.h"
#include "QV_StandardHeadPlugin.h"

int OlderMugCommand(int argc, char** argv)
{
    const bool body = argc == 4 && std::string(argv[3]) == "--body";
    if (argc != 3 && !body) {
        std::fprintf(stderr, "usage: visagen-author older-mug FOLDER OUT.mug [--body]\n");
        return 2;
    }
    const QV_String folder(argv[1]);
    QV_MugShot2D3D mug;
    QV_AnnotationModel front, profile;
    QV_Image profilePicture;
    if (!mug.Load(folder + "/MUG.mug2d3d") || !front.Load(folder + "/Front.mma") ||
        !profile.Load(folder + "/Right.mma") || !profilePicture.Load(folder + "/Right.jpg")) {
        std::fprintf(stderr, "visagen-author older-mug: %s needs MUG.mug2d3d, Front.mma, Right.mma and Right.jpg\n",
                     argv[1]);
        return 1;
    }
    // The front reference lives in the standard frame, the profile in its
    // picture's.
    const QV_Point2D frontFrame(QV_StandardHeadPlugin::kScaleX, QV_StandardHeadPlugin::kScaleY);
    const QV_Point2D profileFrame(static_cast<float>(profilePicture.Cols()), static_cast<float>(profilePicture.Rows()));
    QV_AnnotationModel bodyLayout;
    if (body && !QV_BuildBodyFrontAnnotation(front, bodyLayout)) {
        std::fprintf(stderr, "visagen-author older-mug: the front reference has no body layout\n");
        return 1;
    }
    QV_MugShot older;
    if (!QV_BuildOlderMugShot(mug, front, frontFrame, profile, profileFrame, older, body ? &bodyLayout : nullptr) ||
        !older.Save(QV_String(argv[2]))) {
        std::fprintf(stderr, "visagen-author older-mug: cannot make %s\n", argv[2]);
        return 1;
    }
    std::printf("older-mug: %d vertices, %d front and %d profile group members; wrote %s\n",
                older.templateMesh.VertexCount(), older.tables[0].members.Size(), older.tables[1].members.Size(),
                argv[2]);
    return 0;
}
