// app/Tallyglass.cpp
// The program entry: the library's start-up, the application, the main window, the loop.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "Forms.h"
#include "Main.h"
#include "StartupTrace.h"
#include "SysUtils.h"

// The run-time's default ends the program with the exception's demangled name on stderr,
// which a windowed program has not; its demangler alone is about 45 KB. Defining the
// handler here keeps that out of the program (the tests keep it).
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

// The run-time's own versions of these throw its standard exceptions, whose classes carry the
// run-time's older string type, and with them that whole string class (about 45 KB). Nothing
// here catches those types by name: every boundary catches std::exception, so the framework's
// Exception with the same text serves.
namespace std {
void __throw_bad_alloc()
{
    throw bad_alloc();
}
void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}
void __throw_length_error(const char* what)
{
    throw Exception(what);
}
void __throw_logic_error(const char* what)
{
    throw Exception(what);
}
void __throw_out_of_range(const char* what)
{
    throw Exception(what);
}
void __throw_out_of_range_fmt(const char* format, ...)
{
    throw Exception(format);
}
void __throw_invalid_argument(const char* what)
{
    throw Exception(what);
}
} // namespace std

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
