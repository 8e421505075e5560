// visagen-cli render: preview pictures of a mesh file, drawn off-screen.
#pragma once

#include <string>
#include <vector>

// args are the words after "render"; returns the process exit status.
// visagen-cli's RunRender runs the visagen-render program beside it, whose
// RenderMeshCommand does the work.
int RunRender(const std::vector<std::string>& args);
int RenderMeshCommand(const std::vector<std::string>& args);

// Where the three-quarter view of a render to frontPath goes.
std::string ThreeQuarterPath(const std::string& frontPath);
