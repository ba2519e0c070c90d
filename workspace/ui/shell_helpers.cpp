#include "workspace/ui/shell_helpers.h"

#include "platform/qt/shell_execute.h"

#include <QGuiApplication>

#include <dlfcn.h>

// After the Qt headers: the X11 headers define macros such as None and Bool.
#include <X11/XKBlib.h>

namespace mrw {

int ExecuteFile(const std::string& file, const std::string& parameters, const std::string& folder,
                platform::Prompter& prompter)
{
    return platform::ExecuteFile(file, parameters, folder, prompter, "MARROWIN");
}

namespace {

// libX11 is looked up when needed, so that the program also starts where it is missing.
struct X11Keyboard {
    using OpenDisplay = Display* (*)(const char*);
    using CloseDisplay = int (*)(Display*);
    using Sync = int (*)(Display*, Bool);
    using GetState = Status (*)(Display*, unsigned int, XkbStatePtr);
    using LockModifiers = Bool (*)(Display*, unsigned int, unsigned int, unsigned int);

    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    OpenDisplay openDisplay = symbol<OpenDisplay>("XOpenDisplay");
    CloseDisplay closeDisplay = symbol<CloseDisplay>("XCloseDisplay");
    Sync sync = symbol<Sync>("XSync");
    GetState getState = symbol<GetState>("XkbGetState");
    LockModifiers lockModifiers = symbol<LockModifiers>("XkbLockModifiers");

    template <typename F>
    F symbol(const char* name) const
    {
        return library ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
    }
    bool usable() const { return openDisplay && closeDisplay && sync && getState && lockModifiers; }
};

} // namespace

bool ForceCapsLockOn()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && forceCapsLockOnDisplay(nullptr);
}

bool forceCapsLockOnDisplay(const char* displayName)
{
    static const X11Keyboard x11;
    if (!x11.usable())
        return false;
    Display* display = x11.openDisplay(displayName);
    if (!display)
        return false;
    XkbStateRec state{};
    bool on = false;
    if (x11.getState(display, XkbUseCoreKbd, &state) == Success) {
        on = (state.locked_mods & LockMask) != 0;
        if (!on) {
            on = x11.lockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
            // A round trip, so the lock is in force before this returns: the next
            // program to ask the server (on its own connection) sees it.
            x11.sync(display, False);
        }
    }
    x11.closeDisplay(display);
    return on;
}

} // namespace mrw
