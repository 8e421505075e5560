// visagen-render: the drawing half of `visagen-cli render`, a program of its
// own because it links the software OpenGL libraries.
#include <string>
#include <vector>

#include "RenderCommand.h"

int main(int argc, char** argv)
{
    return RenderMeshCommand(std::vector<std::string>(argv + 1, argv + argc));
}
