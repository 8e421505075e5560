// Running a helper program that a target's data directory may carry: started
// directly with an argument vector (never through a shell), waited for.
#pragma once

#include <string>
#include <vector>

// Starts program (a path) with the arguments (argument 0 is the program
// path) in workingDirectory (the current one when empty) and waits for it to
// end. True when it ran and exited with status 0; otherwise false with why in
// message.
bool QV_RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, std::string& message);
