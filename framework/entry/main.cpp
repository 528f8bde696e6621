// The process entry of korvani: creates the Qt application object, then
// hands over to the framework's entry, which calls AppMain.

#include "framework/Entry.h"
#include "framework/qt/QtApplication.h"

int main(int argc, char* argv[]) {
    // Qt gets the program name only: the program takes nothing from its
    // command line, not even Qt's own options.
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    FrameworkQApplication qtApplication(qtArgc, qtArgv);
    return FrameworkEntry(argc, argv, &AppMain);
}
