// The program's start: the application object, the visual style, the title,
// the windows in their order, then the message loop until the program ends.
//
//   vexilo                    the dictionary, in the working directory
//   vexilo --desktop          as the desktop's menu starts it: the dictionary
//                             in $XDG_DATA_HOME/vexilo, built on first start
//   vexilo --screenshot DIR   saves a picture of every window into DIR and
//                             ends (needs no display)
//   vexilo --quit-when-shown  ends as soon as the main window is shown with
//                             the dictionary open (for measuring the start)
//
// A dictionary that cannot be opened is reported in a message box and the
// program ends with exit code 1.
#pragma once

namespace vexilo::app {

// Runs the program; the result is the process's exit code.
int RunProgram(int argc, char** argv);

}  // namespace vexilo::app
