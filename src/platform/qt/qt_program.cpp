#include "platform/qt/qt_program.h"

#include <cstdio>
#include <cstdlib>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace zerlin::qt {

void QtProgram::end() {
    // _Exit skips atexit handlers and static destructors, so flush what is buffered first.
    std::fflush(nullptr);
#ifdef __SANITIZE_ADDRESS__
    // It skips LeakSanitizer's check at exit too: a sanitized build checks here instead, and
    // ends with the sanitizer's status when it finds a leak.
    __lsan_do_leak_check();
#endif
    std::_Exit(0);
}

}  // namespace zerlin::qt
