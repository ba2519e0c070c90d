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

const X11Keyboard& keyboard()
{
    static const X11Keyboard x11;
    return x11;
}

} // namespace

bool ForceCapsLockOn()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && forceCapsLockOnDisplay(nullptr);
}

bool forceCapsLockOnDisplay(const char* displayName)
{
    return setCapsLockOnDisplay(displayName, true);
}

namespace {

// Runs `use` with the display's keyboard state; nothing when the display cannot be asked.
template <typename F>
auto withKeyboard(const char* displayName, F use) -> std::optional<decltype(use(nullptr, XkbStateRec{}))>
{
    const X11Keyboard& x11 = keyboard();
    if (!x11.usable())
        return std::nullopt;
    Display* display = x11.openDisplay(displayName);
    if (!display)
        return std::nullopt;
    XkbStateRec state{};
    std::optional<decltype(use(nullptr, XkbStateRec{}))> result;
    if (x11.getState(display, XkbUseCoreKbd, &state) == Success)
        result = use(display, state);
    x11.closeDisplay(display);
    return result;
}

} // namespace

std::optional<bool> capsLockOnDisplay(const char* displayName)
{
    return withKeyboard(displayName, [](Display*, const XkbStateRec& state) { return (state.locked_mods & LockMask) != 0; });
}

bool setCapsLockOnDisplay(const char* displayName, bool on)
{
    const std::optional<bool> done = withKeyboard(displayName, [on](Display* display, const XkbStateRec& state) {
        if (((state.locked_mods & LockMask) != 0) == on)
            return true;
        const bool locked = keyboard().lockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        // A round trip, so the lock is in force before this returns: the next program to
        // ask the server (on its own connection) sees it.
        keyboard().sync(display, False);
        return locked;
    });
    return done.value_or(false);
}

CapsLockRestorer::CapsLockRestorer(bool x11, std::optional<std::string> displayName)
    : m_display(std::move(displayName))
{
    if (x11)
        m_found = capsLockOnDisplay(display());
}

CapsLockRestorer::~CapsLockRestorer()
{
    if (m_found)
        setCapsLockOnDisplay(display(), *m_found);
}

} // namespace mrw
