// Vexilo, the English-Hungarian dictionary.
#include "app/program.h"

int main(int argc, char** argv) { return vexilo::app::RunProgram(argc, argv); }
