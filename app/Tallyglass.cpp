// app/Tallyglass.cpp
// The program entry: the library's start-up, the application, the main window, the loop.
#include <windows.h>

#include <cstdlib>

#include "Forms.h"
#include "Main.h"
#include "StartupTrace.h"

// The run-time's default ends the program with the exception's demangled name on stderr,
// which a windowed program has not; its demangler alone is about 45 KB. Defining the
// handler here keeps that out of the program (the tests keep it).
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TraceStartup("main");
    try {
        InitFramework();
        TraceStartup("init");
        Application->Initialize();
        Application->SetTitle("Pellory Tallyglass");
        Form1 = Application->CreateForm<TForm1>();
#ifdef TG_UPGRADE_PUBLIC_KEY
        // Set before the first check, which comes seconds after the form is loaded.
        Form1->vyAppUpdater->SetPublicKey(TG_UPGRADE_PUBLIC_KEY);
#endif
        Application->Run();
    } catch (...) {
        HandleException(Application);
    }
    DoneFramework();
    return 0;
}
