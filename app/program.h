// The program's start: the application object, the visual style, the title,
// the windows in their order, then the message loop until the program ends.
//
//   vexilo                    the dictionary, in the working directory
//   vexilo --desktop          as the desktop's menu starts it: the dictionary
//                             in $XDG_DATA_HOME/vexilo, built on first start
//   vexilo --screenshot DIR   saves a picture of every window into DIR and
//                             ends (needs no display)
#pragma once

namespace vexilo::app {

// Runs the program; the result is the process's exit code.
int RunProgram(int argc, char** argv);

}  // namespace vexilo::app
