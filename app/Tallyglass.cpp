// app/Tallyglass.cpp
// The program entry: the library's start-up, the application, the main window, the loop.
#include <windows.h>

#include "Forms.h"
#include "Main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        InitFramework();
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
