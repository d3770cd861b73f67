#ifdef _WIN32

#include <windows.h>

#include <QProcess>

namespace zerlin::qt {

void startMinimisedWithoutFocus(QProcess& process) {
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        arguments->startupInfo->wShowWindow = SW_SHOWMINNOACTIVE;
        // A console of its own, or cmd.exe would have no window to show minimised.
        arguments->flags |= CREATE_NEW_CONSOLE;
    });
}

}  // namespace zerlin::qt

#endif
