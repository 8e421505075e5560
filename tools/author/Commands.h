// The subcommands of visagen-author; each takes the arguments after its name
// (argv[0] is the subcommand name) and returns the process exit status.
#pragma once

int MakeHeadCommand(int argc, char** argv);
int PackHeadCommand(int argc, char** argv);
int OlderMugCommand(int argc, char** argv);
int UnpackHeadCommand(int argc, char** argv);
int TrainFaceCommand(int argc, char** argv);
int EvaluateCommand(int argc, char** argv);
int TrainDetectorCommand(int argc, char** argv);
