// app/Tallyglass.cpp
// The program entry: the library's start-up, the application, the main window, the loop.
#include <windows.h>

#include "Forms.h"
#include "Main.h"
#include "StartupTrace.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TraceStartup("main");
    try {
        InitFramework();
        TraceStartup("init");
        Application->Initialize();
        Application->SetTitle("Pellory Tallyglass");
        Form1 = Application->CreateForm<TForm1>();
        Application->Run();
    } catch (...) {
        HandleException(Application);
    }
    DoneFramework();
    return 0;
}
