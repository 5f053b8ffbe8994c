// vellumine: converts HTML pages into RTF or plain text from the command line.
#include "command_line.h"

int main(int argc, char** argv) { return vellumine::RunCommandLine(argc, argv); }
